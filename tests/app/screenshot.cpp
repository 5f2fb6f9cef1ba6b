// Opens the window as a user would leave it for the README's picture: calculator shown, an
// amount typed and converted. Saves the window to the file given, then quits.

#include <cstdio>

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "app/form1.h"
#include "app/qtmessagebox.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fputs("usage: tessaly_screenshot OUTPUT.png\n", stderr);
        return 2;
    }
    QApplication app(argc, argv);
    tessaly::app::QtMessageBoxService messages;
    tessaly::app::Form1 form(messages);
    form.move(0, 0);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;

    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
    auto* amount = form.findChild<QWidget*>(QStringLiteral("Text1"));
    QTest::mouseClick(amount, Qt::LeftButton);
    QTest::keyClicks(amount, QStringLiteral("41823.51"));
    QTest::qWait(200);

    const QPixmap shot = form.screen()->grabWindow(form.winId());
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1])))
        return 1;
    return 0;
}
