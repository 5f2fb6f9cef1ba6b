// The calculator as a user meets it: keys typed into the display of the real window, results
// read from the amount box and its uppercase form.

#include <memory>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/form1.h"
#include "recordingmessagebox.h"

namespace {

const QString kOverflow = QStringLiteral("计算结果超出范围！");

}  // namespace

class CalculatorWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void chains_data();
    void chains();
    void resultTooLongToConvert();
    void hidingAndShowingRestartsFromZero();
    void collapsedDisplayStillComputes();
    void failures_data();
    void failures();
    void chainGoesOnAfterDivisionByZero();
    void keysThatNeverReachTheDisplay();
    void inputMethodCommitsOneCharacterAtATime();

private:
    QLineEdit* box(const char* name) const {
        return form_->findChild<QLineEdit*>(QLatin1String(name));
    }
    void click(const char* name) {
        QTest::mouseClick(form_->findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
    }
    // Types into whatever has the focus. "\r" is the Return key, "\n" the keypad's Enter.
    static void type(const QString& keys);
    void expand();
    void commit(const QString& text);
    QString pending() const {
        return QString::fromStdU16String(form_->calculator().pendingOperator());
    }

    RecordingMessageBox messages_;
    std::unique_ptr<tessaly::app::Form1> form_;
};

void CalculatorWindowTest::init() {
    messages_.clear();
    form_ = std::make_unique<tessaly::app::Form1>(messages_);
    form_->show();
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
}

void CalculatorWindowTest::cleanup() {
    form_.reset();
}

void CalculatorWindowTest::type(const QString& keys) {
    for (const QChar c : keys) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus);
        if (c == u'\r') {
            QTest::keyClick(focus, Qt::Key_Return);
        } else if (c == u'\n') {
            QTest::keyClick(focus, Qt::Key_Enter, Qt::KeypadModifier);
        } else {
            QTest::keyClicks(focus, QString(c));
        }
    }
}

void CalculatorWindowTest::expand() {
    click("Command2");
    QCOMPARE(QApplication::focusWidget(), box("Text3"));
}

void CalculatorWindowTest::commit(const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(QApplication::focusWidget(), &event);
}

void CalculatorWindowTest::chains_data() {
    QTest::addColumn<QString>("amount");  // typed into Text1 first
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text1");
    QTest::addColumn<QString>("text2");
    QTest::addColumn<QString>("text3");

    const auto row = [](const char* name, const QString& amount, const QString& keys,
                        const QString& text1, const QString& text2, const QString& text3) {
        QTest::newRow(name) << amount << keys << text1 << text2 << text3;
    };
    row("sum", "", "12+3\r", "15", "壹拾伍圆整", "");
    row("Enter repeats", "", "12+3\r4\r", "19", "壹拾玖圆整", "");
    row("keypad Enter", "", "12+3\n", "15", "壹拾伍圆整", "");
    row("first operator, empty Text1", "", "8-", "-8", "负捌圆整", "");
    row("operator replacing another", "", "5+-2\r", "3", "叁圆整", "");
    row("amount doubled", "41823.51", "2*", "83647.02", "捌万叁仟陆佰肆拾柒圆零贰分", "");
    row("points", "", ".0..5", "", "", "0.5");
}

void CalculatorWindowTest::chains() {
    QFETCH(QString, amount);
    QFETCH(QString, keys);
    expand();
    if (!amount.isEmpty()) {
        QTest::mouseClick(box("Text1"), Qt::LeftButton);
        type(amount);
        QTest::mouseClick(box("Text3"), Qt::LeftButton);
    }
    type(keys);

    QTEST(box("Text1")->text(), "text1");
    QTEST(box("Text2")->text(), "text2");
    QTEST(box("Text3")->text(), "text3");
    QCOMPARE(messages_.messages().size(), 0);
}

// The conversion's own message comes during the operation, which still completes.
void CalculatorWindowTest::resultTooLongToConvert() {
    expand();
    type(QStringLiteral("1234567890+"));
    QCOMPARE(box("Text1")->text(), QStringLiteral("1234567890"));
    QCOMPARE(box("Text2")->text(), QStringLiteral("零圆零角零分"));
    QCOMPARE(box("Text3")->text(), QString());
    QCOMPARE(messages_.messages().size(), 1);
    QCOMPARE(messages_.messages()[0].text, QStringLiteral("你输入的数字太长或者格式错误！"));
    QCOMPARE(pending(), QStringLiteral("+"));
}

void CalculatorWindowTest::hidingAndShowingRestartsFromZero() {
    expand();
    type(QStringLiteral("6+2*"));
    QCOMPARE(box("Text1")->text(), QStringLiteral("8"));

    click("Command3");
    QCOMPARE(box("Text1")->text(), QStringLiteral("8"));
    expand();
    QCOMPARE(box("Text1")->text(), QString());
    QCOMPARE(box("Text2")->text(), QString());

    // The "*" left pending applies first: 0 * 5.
    type(QStringLiteral("5+"));
    QCOMPARE(box("Text1")->text(), QStringLiteral("0"));
    QCOMPARE(pending(), QStringLiteral("+"));
    type(QStringLiteral("4\r"));
    QCOMPARE(box("Text1")->text(), QStringLiteral("4"));
    QCOMPARE(box("Text2")->text(), QStringLiteral("肆圆整"));
}

void CalculatorWindowTest::collapsedDisplayStillComputes() {
    QLineEdit* display = box("Text3");
    QVERIFY(display->geometry().top() >= form_->height());  // cut off below the window

    // Text1, Command1, Text2, Command2, the covered Command3, Text3.
    QCOMPARE(QApplication::focusWidget(), box("Text1"));
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), display);

    type(QStringLiteral("8+"));
    QCOMPARE(box("Text1")->text(), QStringLiteral("8"));
    QCOMPARE(box("Text2")->text(), QStringLiteral("捌圆整"));
    QCOMPARE(display->text(), QString());
}

void CalculatorWindowTest::failures_data() {
    QTest::addColumn<QString>("keys");  // the last one fails
    QTest::addColumn<QString>("message");

    QTest::newRow("division by zero") << "8+0/0\r"
                                      << "除数不能为零！";
    QTest::newRow("zero by zero") << "0/"
                                  << "计算结果无效！";
    // 1e200 + 1e200, then times 1e200.
    const QString big = QStringLiteral("1") + QString(200, u'0');
    QTest::newRow("overflow") << big + "+" + big + "*" + big + "\r" << kOverflow;
    QTest::newRow("operand too large")
        << QStringLiteral("1") + QString(400, u'0') + "+" << kOverflow;
}

void CalculatorWindowTest::failures() {
    QFETCH(QString, keys);
    expand();
    type(keys.chopped(1));
    const qsizetype before = messages_.messages().size();
    const QStringList boxes = {box("Text1")->text(), box("Text2")->text(), box("Text3")->text(),
                               pending()};

    type(keys.right(1));

    QCOMPARE(messages_.messages().size(), before + 1);
    QCOMPARE(messages_.messages().last().title, QStringLiteral("提示："));
    QTEST(messages_.messages().last().text, "message");
    QCOMPARE(
        (QStringList{box("Text1")->text(), box("Text2")->text(), box("Text3")->text(), pending()}),
        boxes);
}

void CalculatorWindowTest::chainGoesOnAfterDivisionByZero() {
    expand();
    type(QStringLiteral("8+0/0\r"));
    QCOMPARE(messages_.messages().size(), 1);
    QCOMPARE(box("Text1")->text(), QStringLiteral("8"));
    QCOMPARE(box("Text2")->text(), QStringLiteral("捌圆整"));
    QCOMPARE(box("Text3")->text(), QStringLiteral("0"));

    click("Command4");
    QCOMPARE(QApplication::focusWidget(), box("Text3"));
    type(QStringLiteral("4\r"));
    QCOMPARE(box("Text1")->text(), QStringLiteral("2"));
    QCOMPARE(box("Text2")->text(), QStringLiteral("贰圆整"));
    QCOMPARE(messages_.messages().size(), 1);
}

void CalculatorWindowTest::keysThatNeverReachTheDisplay() {
    expand();
    QLineEdit* display = box("Text3");
    type(QStringLiteral("12"));
    QApplication::clipboard()->setText(QStringLiteral("345"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("345"));  // something to paste

    type(QStringLiteral("a =,%"));
    QTest::keyClick(display, Qt::Key_Backspace);
    QTest::keyClick(display, Qt::Key_Escape);
    for (const auto key : {Qt::Key_V, Qt::Key_A, Qt::Key_X, Qt::Key_C}) {
        QTest::keyClick(display, key, Qt::ControlModifier);
    }
    QCOMPARE(display->text(), QStringLiteral("12"));
    QCOMPARE(box("Text1")->text(), QString());

    // Keys that type no character still edit.
    QTest::keyClick(display, Qt::Key_Home);
    QTest::keyClick(display, Qt::Key_Delete);
    QCOMPARE(display->text(), QStringLiteral("2"));
    QTest::keyClick(display, Qt::Key_End);
    QTest::keyClick(display, Qt::Key_Left, Qt::ShiftModifier);
    type(QStringLiteral("7"));
    QCOMPARE(display->text(), QStringLiteral("7"));
    QCOMPARE(messages_.messages().size(), 0);
}

void CalculatorWindowTest::inputMethodCommitsOneCharacterAtATime() {
    expand();
    commit(QStringLiteral("１２"));
    QCOMPARE(box("Text3")->text(), QString());

    // As if typed in turn: "+" applies to the "12" before it, "3" starts the next number.
    commit(QStringLiteral("12+3"));
    QCOMPARE(box("Text1")->text(), QStringLiteral("12"));
    QCOMPARE(box("Text2")->text(), QStringLiteral("壹拾贰圆整"));
    QCOMPARE(box("Text3")->text(), QStringLiteral("3"));
    type(QStringLiteral("\r"));
    QCOMPARE(box("Text1")->text(), QStringLiteral("15"));
}

QTEST_MAIN(CalculatorWindowTest)
#include "calculator_window_test.moc"
