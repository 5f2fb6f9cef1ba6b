// Draws the window as the README shows it into the file given: the calculator shown and an
// amount typed (41823.51, or the second argument). scripts/screenshot.sh runs it under Xvfb.

#include <QApplication>
#include <QTest>

#include "app/form1.h"
#include "app/qtmessagebox.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    tessaly::app::QtMessageBoxService messages;
    tessaly::app::Form1 form(messages);
    form.show();
    QTest::mouseClick(form.findChild<QWidget*>("Command2"), Qt::LeftButton);
    QTest::keyClicks(form.findChild<QWidget*>("Text1"), argc > 2 ? argv[2] : "41823.51");
    return argc > 1 && form.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 2;
}
