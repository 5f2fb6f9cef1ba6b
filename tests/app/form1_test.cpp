// The main window driven as a user drives it: keys, input-method commits, mouse presses and
// button clicks on the real Form1, with the message boxes recorded instead of shown.

#include <memory>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/form1.h"
#include "app/qtmessagebox.h"
#include "inputmethod.h"
#include "recordingmessagebox.h"

using namespace Qt::StringLiterals;

namespace {

const QString kFailurePrompt = u"你输入的数字太长或者格式错误！"_s;
const QString kTitle = u"提示："_s;

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT

private:
    RecordingMessageBox messages;
    std::unique_ptr<tessaly::app::Form1> form;

    QLineEdit* box(const char* name) const { return form->findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) const { return form->findChild<QPushButton*>(name); }
    QLineEdit* text1() const { return box("Text1"); }
    QLineEdit* text2() const { return box("Text2"); }
    QLineEdit* text3() const { return box("Text3"); }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    void closePopup() {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }

private slots:
    void init() {
        messages.clear();
        QApplication::clipboard()->clear();
        form = std::make_unique<tessaly::app::Form1>(messages);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    void cleanup() {
        closePopup();
        form.reset();
    }

    void startsCollapsedWithEmptyBoxesAndFocusInTheAmount() {
        QCOMPARE(form->size(), QSize(394, 142));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QVERIFY(form->windowTitle().startsWith(u"Tessaly - "_s));
        QCOMPARE(text1()->text(), QString());
        QCOMPARE(text2()->text(), QString());
        QCOMPARE(text3()->text(), QString());
        QCOMPARE(QApplication::focusWidget(), text1());
        QVERIFY(button("Command2")->isVisible());
        QVERIFY(button("Command3")->isVisible());
        QCOMPARE(form->calculator().workText(), u"0");
        QCOMPARE(form->calculator().pendingOperator(), u"");
        QVERIFY(messages.messages().isEmpty());
    }

    void convertsAtEveryKeystroke() {
        const QStringList expected = {
            u"肆圆整"_s,
            u"肆拾壹圆整"_s,
            u"肆佰壹拾捌圆整"_s,
            u"肆仟壹佰捌拾贰圆整"_s,
            u"肆万壹仟捌佰贰拾叁圆整"_s,
            u"肆万壹仟捌佰贰拾叁圆整"_s,
            u"肆万壹仟捌佰贰拾叁圆伍角整"_s,
            u"肆万壹仟捌佰贰拾叁圆伍角壹分"_s,
        };
        const QString amount = u"41823.51"_s;
        for (qsizetype i = 0; i < amount.size(); ++i) {
            QTest::keyClicks(text1(), amount.mid(i, 1));
            QCOMPARE(text1()->text(), amount.left(i + 1));
            QCOMPARE(text2()->text(), expected[i]);
        }
        QVERIFY(messages.messages().isEmpty());
    }

    void decimalPoint_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QTestEventList>("moves");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("upper");

        QTestEventList none;
        QTestEventList home;
        home.addKeyClick(Qt::Key_Home);
        QTestEventList selectAll;
        selectAll.addKeyClick(Qt::Key_Home);
        selectAll.addKeyClick(Qt::Key_End, Qt::ShiftModifier);

        QTest::newRow("first key") << u""_s << none << u""_s << u""_s;
        QTest::newRow("after digits") << u"12"_s << none << u"12."_s << u"壹拾贰圆整"_s;
        QTest::newRow("second, at the end") << u"1.5"_s << none << u"1.5"_s << u"壹圆伍角整"_s;
        QTest::newRow("second, before the first")
            << u"1.5"_s << home << u"1.5"_s << u"壹圆伍角整"_s;
        QTest::newRow("selection holds the first")
            << u"1.5"_s << selectAll << u"1.5"_s << u"壹圆伍角整"_s;
        QTest::newRow("caret before the digits") << u"12"_s << home << u".12"_s << u"壹角贰分"_s;
    }
    void decimalPoint() {
        QFETCH(QString, typed);
        QFETCH(QTestEventList, moves);
        QFETCH(QString, expected);
        QFETCH(QString, upper);
        QTest::keyClicks(text1(), typed);
        moves.simulate(text1());
        QTest::keyClick(text1(), '.');
        QCOMPARE(text1()->text(), expected);
        QCOMPARE(text2()->text(), upper);
        QVERIFY(messages.messages().isEmpty());
    }

    void keysThatTypeNoDigit_data() {
        QTest::addColumn<QTestEventList>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("upper");

        const QString unchanged = u"壹佰贰拾叁圆整"_s;
        auto keys = [](std::initializer_list<std::pair<Qt::Key, Qt::KeyboardModifiers>> list) {
            QTestEventList events;
            for (const auto& [key, mods] : list)
                events.addKeyClick(key, mods);
            return events;
        };
        QTestEventList letters;
        letters.addKeyClicks(u"a -+e"_s);

        // Discarded: they type a character that is not a digit.
        QTest::newRow("Backspace") << keys({{Qt::Key_Backspace, {}}}) << u"123"_s << unchanged;
        QTest::newRow("Enter") << keys({{Qt::Key_Return, {}}}) << u"123"_s << unchanged;
        QTest::newRow("keypad Enter")
            << keys({{Qt::Key_Enter, Qt::KeypadModifier}}) << u"123"_s << unchanged;
        QTest::newRow("letters, space, signs") << letters << u"123"_s << unchanged;
        QTest::newRow("Ctrl+V") << keys({{Qt::Key_V, Qt::ControlModifier}}) << u"123"_s
                                << unchanged;
        QTest::newRow("Ctrl+A, Ctrl+X")
            << keys({{Qt::Key_A, Qt::ControlModifier}, {Qt::Key_X, Qt::ControlModifier}})
            << u"123"_s << unchanged;
        QTest::newRow("Escape") << keys({{Qt::Key_Escape, {}}}) << u"123"_s << unchanged;
        // Editing keys keep working, and what they leave is converted.
        QTest::newRow("Home, Delete")
            << keys({{Qt::Key_Home, {}}, {Qt::Key_Delete, {}}}) << u"23"_s << u"贰拾叁圆整"_s;
        QTest::newRow("Left, digit")
            << keys({{Qt::Key_Left, {}}, {Qt::Key_9, {}}}) << u"1293"_s << u"壹仟贰佰玖拾叁圆整"_s;
        QTest::newRow("Shift+Home, digit")
            << keys({{Qt::Key_Home, Qt::ShiftModifier}, {Qt::Key_7, {}}}) << u"7"_s << u"柒圆整"_s;
        QTest::newRow("Shift+Left, Delete")
            << keys({{Qt::Key_Left, Qt::ShiftModifier}, {Qt::Key_Delete, {}}}) << u"12"_s
            << u"壹拾贰圆整"_s;
        QTest::newRow("keypad digit")
            << keys({{Qt::Key_5, Qt::KeypadModifier}}) << u"1235"_s << u"壹仟贰佰叁拾伍圆整"_s;
    }
    void keysThatTypeNoDigit() {
        QFETCH(QTestEventList, keys);
        QFETCH(QString, expected);
        QFETCH(QString, upper);
        QApplication::clipboard()->setText(u"9"_s);
        QTest::keyClicks(text1(), u"123"_s);
        keys.simulate(text1());
        QCOMPARE(text1()->text(), expected);
        QCOMPARE(text2()->text(), upper);
        QVERIFY(messages.messages().isEmpty());
    }

    void inputMethodCommit_data() {
        QTest::addColumn<QString>("committed");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("upper");
        QTest::newRow("full-width digits") << u"１２"_s << u""_s << u""_s;
        QTest::newRow("full-width point") << u"1２。5"_s << u"15"_s << u"壹拾伍圆整"_s;
        QTest::newRow("ASCII digits") << u"12.5"_s << u"12.5"_s << u"壹拾贰圆伍角整"_s;
        QTest::newRow("second point, as if typed") << u"1..2"_s << u"1.2"_s << u"壹圆贰角整"_s;
    }
    void inputMethodCommit() {
        QFETCH(QString, committed);
        QFETCH(QString, expected);
        QFETCH(QString, upper);
        commitText(text1(), committed);
        QCOMPARE(text1()->text(), expected);
        QCOMPARE(text2()->text(), upper);
        QVERIFY(messages.messages().isEmpty());
    }

    void mousePressEmptiesTheAmount_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("left") << Qt::LeftButton;
        QTest::newRow("right") << Qt::RightButton;
        QTest::newRow("middle") << Qt::MiddleButton;
    }
    void mousePressEmptiesTheAmount() {
        QFETCH(Qt::MouseButton, button);
        QTest::keyClicks(text1(), u"41823.51"_s);
        QTest::mousePress(text1(), button);
        QCOMPARE(text1()->text(), QString());
        QCOMPARE(text2()->text(), QString());
        QTest::mouseRelease(text1(), button);
        closePopup();
        QVERIFY(messages.messages().isEmpty());
    }

    void pasteFromTheContextMenu_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("upper");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("not a number")
            << u"abc"_s << u"零圆零角零分"_s << QStringList{kFailurePrompt};
        QTest::newRow("ten integer digits")
            << u"1000000000"_s << u"零圆零角零分"_s << QStringList{kFailurePrompt};
        QTest::newRow("amount") << u"1,234.5"_s << u"壹仟贰佰叁拾肆圆伍角整"_s << QStringList{};
    }
    void pasteFromTheContextMenu() {
        QFETCH(QString, pasted);
        QFETCH(QString, upper);
        QFETCH(QStringList, shown);
        QApplication::clipboard()->setText(pasted);
        // A right press, then the context-menu event the windowing system sends after it.
        const QPoint at(10, 10);
        QTest::mousePress(text1(), Qt::RightButton, {}, at);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, text1()->mapToGlobal(at));
        QApplication::sendEvent(text1(), &request);
        QTest::mouseRelease(text1(), Qt::RightButton, {}, at);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        // The menu's entries carry no names; Paste is the one showing Paste's shortcut.
        const QString shortcut =
            QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
        QAction* paste = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text().endsWith(u'\t' + shortcut))
                paste = action;
        }
        QVERIFY(paste);
        paste->trigger();
        QCOMPARE(text1()->text(), pasted);
        QCOMPARE(text2()->text(), upper);
        QCOMPARE(messages.texts(), shown);
        for (const auto& m : messages.messages())
            QCOMPARE(m.title, kTitle);
    }

    void clearButtonEmptiesTheAmountOnly() {
        QTest::keyClicks(text3(), u"7"_s);  // the unseen display still takes keys
        QTest::keyClicks(text1(), u"41823.51"_s);
        click("Command1");
        QCOMPARE(text1()->text(), QString());
        QCOMPARE(text2()->text(), QString());
        QCOMPARE(text3()->text(), u"7"_s);
        QCOMPARE(QApplication::focusWidget(), text1());
    }

    void expandButtonShowsThePanelAndEmptiesTheBoxes() {
        QTest::keyClicks(text3(), u"5"_s);
        QTest::keyClicks(text1(), u"41823.51"_s);
        click("Command2");
        QCOMPARE(form->size(), QSize(394, 222));
        QVERIFY(!button("Command2")->isVisible());
        QVERIFY(button("Command3")->isVisible());
        QCOMPARE(QApplication::focusWidget(), text3());
        QCOMPARE(text1()->text(), QString());
        QCOMPARE(text2()->text(), QString());
        QCOMPARE(text3()->text(), QString());
        QCOMPARE(form->childAt(70, 128), button("Command3"));
    }

    void collapseButtonHidesThePanelAndKeepsTheTexts() {
        click("Command2");
        QTest::keyClicks(text1(), u"12"_s);
        QTest::keyClicks(text3(), u"3"_s);
        click("Command3");
        QCOMPARE(form->size(), QSize(394, 142));
        QVERIFY(button("Command2")->isVisible());
        QVERIFY(!button("Command3")->isVisible());
        QCOMPARE(QApplication::focusWidget(), text1());
        QCOMPARE(text1()->text(), u"12"_s);
        QCOMPARE(text2()->text(), u"壹拾贰圆整"_s);
        QCOMPARE(text3()->text(), u"3"_s);
        click("Command2");
        QCOMPARE(text1()->text(), QString());
        QCOMPARE(text3()->text(), QString());
    }

    void displayClearButtonEmptiesTheDisplayOnly() {
        click("Command2");
        QTest::keyClicks(text1(), u"8"_s);
        QTest::keyClicks(text3(), u"45"_s);
        click("Command4");
        QCOMPARE(text3()->text(), QString());
        QCOMPARE(text1()->text(), u"8"_s);
        QCOMPARE(text2()->text(), u"捌圆整"_s);
        QCOMPARE(QApplication::focusWidget(), text3());
    }

    void tabVisitsEveryControlInOrder() {
        const QList<QWidget*> order = {
            button("Command1"), text2(), button("Command2"), button("Command3"), text3(),
            button("Command4"), text1()};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void coveredCollapseButtonReachedByTab() {
        QCOMPARE(form->childAt(70, 128), button("Command2"));
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), button("Command3"));
        QTest::keyClick(button("Command3"), Qt::Key_Space);
        QVERIFY(!button("Command3")->isVisible());
        QVERIFY(button("Command2")->isVisible());
        QCOMPARE(form->size(), QSize(394, 142));
        QCOMPARE(QApplication::focusWidget(), text1());
    }

    void layoutInPixelsAt96Dpi_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("accessibleName");
        QTest::newRow("Command4") << u"Command4"_s << QRect(312, 160, 65, 25) << u"清 零"_s;
        QTest::newRow("Text3") << u"Text3"_s << QRect(72, 160, 233, 25) << u"计算器"_s;
        QTest::newRow("Command2") << u"Command2"_s << QRect(8, 120, 81, 17) << u"▼展开计算器"_s;
        QTest::newRow("Command1") << u"Command1"_s << QRect(312, 24, 65, 25) << u"清除"_s;
        QTest::newRow("Text2") << u"Text2"_s << QRect(16, 72, 361, 30) << u"大写金额"_s;
        QTest::newRow("Text1") << u"Text1"_s << QRect(16, 24, 289, 26) << u"金额"_s;
        QTest::newRow("Command3") << u"Command3"_s << QRect(8, 120, 81, 17) << u"▲收起计算器"_s;
        QTest::newRow("Label3") << u"Label3"_s << QRect(88, 192, 193, 17)
                                << u"加法:+  减法:-  乘法:*  除法:/"_s;
        QTest::newRow("Label2") << u"Label2"_s << QRect(16, 160, 49, 25) << u"直接输入进行计算"_s;
        QTest::newRow("Label1") << u"Label1"_s << QRect(16, 112, 361, 17)
                                << u"注：转换后小数点仅保留2位数。"_s;
    }
    void layoutInPixelsAt96Dpi() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, accessibleName);
        auto* control = form->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), geometry);
        QCOMPARE(control->accessibleName(), accessibleName);
        if (auto* b = qobject_cast<QPushButton*>(control))
            QCOMPARE(b->text(), accessibleName);
    }

    void labelsLieBeneathAndArePassive() {
        // The toggle covers the lower left corner of the note.
        QCOMPARE(form->childAt(20, 125), button("Command2"));
        QCOMPARE(form->childAt(200, 115)->objectName(), u"Label1"_s);
        QVERIFY(!form->findChild<QLabel*>(u"Label1"_s)->isEnabled());
        QVERIFY(!form->findChild<QLabel*>(u"Label3"_s)->isEnabled());
        QVERIFY(form->findChild<QLabel*>(u"Label2"_s)->isEnabled());
    }

    void coloursFollowTheDesktopTheme() {
        const QPalette before = QApplication::palette();
        QPalette theme = before;
        theme.setColor(QPalette::Highlight, Qt::darkGreen);
        theme.setColor(QPalette::Light, Qt::yellow);
        QApplication::setPalette(theme);
        QCoreApplication::processEvents();
        QCOMPARE(text2()->palette().color(QPalette::Base), QColor(Qt::darkGreen));
        QCOMPARE(text1()->palette().color(QPalette::Base), QColor(Qt::yellow));
        QCOMPARE(text1()->palette().color(QPalette::Text), QColor(0, 128, 128));
        QApplication::setPalette(before);
    }

    void resultShowsItsStartAndWholeTextInTooltip() {
        QTest::keyClicks(text1(), u"999999999.99"_s);
        const QString whole = u"玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆玖角玖分"_s;
        QCOMPARE(text2()->text(), whole);
        QCOMPARE(text2()->cursorPosition(), 0);
        QCOMPARE(text2()->toolTip(), whole);
        QTest::keyClicks(text2(), u"5"_s);
        QCOMPARE(text2()->text(), whole);
    }

    void tooLongAmountReportsAtEveryChange() {
        QTest::keyClicks(text1(), u"123456789"_s);
        QVERIFY(messages.messages().isEmpty());
        QTest::keyClicks(text1(), u"01"_s);
        QCOMPARE(text2()->text(), u"零圆零角零分"_s);
        QCOMPARE(messages.messages(), (QList<RecordingMessageBox::Message>{
                                          {kTitle, kFailurePrompt}, {kTitle, kFailurePrompt}}));
    }

    void realMessageBoxIsModalWithOneOkAndNoIcon() {
        tessaly::app::QtMessageBoxService service;
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen = true;
            QCOMPARE(box->windowTitle(), kTitle);
            QCOMPARE(box->text(), kFailurePrompt);
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            QCOMPARE(box->standardButtons(), QMessageBox::Ok);
            QCOMPARE(box->buttons().size(), 1);
            QVERIFY(box->isModal());
            QTest::keyClick(box, Qt::Key_Return);
        });
        service.show(form.get(), kTitle, kFailurePrompt);
        QVERIFY(seen);
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
