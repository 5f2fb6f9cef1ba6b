// The main window driven as a user drives it: keys, input-method commits, pastes, mouse presses
// and clicks on the real Form1, its message boxes recorded instead of shown. The soak runs 300
// seeded random events, or TESSALY_SOAK_EVENTS of them from TESSALY_SOAK_SEED.

#include <random>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/form1.h"
#include "app/qtext.h"
#include "app/qtmessagebox.h"
#include "app/startup.h"

using namespace Qt::StringLiterals;

const QString kFailureMessage = u"提示：你输入的数字太长或者格式错误！"_s;
const QString kFailureText = u"零圆零角零分"_s;

// Records each box the window asks for, title and text run together, and returns at once: no
// modal box ever blocks a test.
struct RecordingMessageBox final : MessageBoxService {
    QStringList shown;
    void show(QWidget*, const QString& title, const QString& text) override {
        shown.append(title + text);
    }
};

// Keys for a table: text is typed as it stands (a character beyond Latin-1 as the text of an
// unknown key, as a keyboard layout sends it), a name in braces presses that key ("{Home}").
static void type(QWidget* widget, const QString& script) {
    for (const QString& part : script.split(u'{')) {
        if (part.contains(u'}')) {
            const QKeyCombination key = QKeySequence(part.section(u'}', 0, 0))[0];
            QTest::keyClick(widget, key.key(), key.keyboardModifiers());
        }
        for (const QChar c : part.section(u'}', -1)) {
            if (c.unicode() < 0x80)
                QTest::keyClick(widget, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), {});
        }
    }
}

class Form1Test : public QObject {
    Q_OBJECT

    RecordingMessageBox messages;
    tessaly::app::Form1* form = nullptr;
    QTemporaryDir settings;

    void open() {
        messages.shown.clear();
        form = new tessaly::app::Form1(messages);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form));
    }
    // Chooses an entry of the result box's context menu, as the mouse does (the right press
    // reaches the box as the context menu event its window gets).
    void choose(const QString& caption) {
        QLineEdit* result = box("Text2");
        const QPoint at = result->rect().center();
        QContextMenuEvent press(QContextMenuEvent::Mouse, at, result->mapToGlobal(at));
        QApplication::sendEvent(result, &press);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction* action : menu->actions()) {
            if (action->text() == caption)
                return QTest::mouseClick(menu, Qt::LeftButton, {},
                                         menu->actionGeometry(action).center());
        }
        QFAIL(qPrintable(caption));
    }

    QLineEdit* box(const char* name) const { return form->findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) const { return form->findChild<QPushButton*>(name); }
    // Text1, Text2, Text3, pendingOperator, and the control with the focus.
    QStringList state() const {
        return {box("Text1")->text(), box("Text2")->text(), box("Text3")->text(),
                tessaly::app::toQString(form->calculator().pendingOperator()),
                QApplication::focusWidget()->objectName()};
    }
    // Drawn with the cursor at its end, the result box shows its text where it does with the
    // cursor at its start: the whole text fits, nothing is scrolled out of view.
    bool resultInView() const {
        QLineEdit* result = box("Text2");
        result->end(false);
        result->grab();
        result->home(false);
        const QVariant shown = result->inputMethodQuery(Qt::ImCursorRectangle);
        result->grab();
        return result->inputMethodQuery(Qt::ImCursorRectangle) == shown;
    }

private slots:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    }
    void init() {
        QSettings().clear();
        open();
    }
    void cleanup() { delete form; }

    // The clipboard holds the expected amount: what a paste gives, and what Ctrl+V must not add.
    // A result that fits (about 16 characters do) keeps 16.2 pt; a longer one is drawn whole in a
    // smaller size.
    void amountBox_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("upper");
        QTest::newRow("amount") << u"41823.51"_s << u"41823.51"_s
                                << u"肆万壹仟捌佰贰拾叁圆伍角壹分"_s;
        QTest::newRow("points") << u".12{Home}.{End}.{Shift+Home}."_s << u".12"_s << u"壹角贰分"_s;
        QTest::newRow("discarded, editing")
            << u"12a -+,{Backspace}{Return}{Esc}{Ctrl+V}{Home}{Del}{Num+9}"_s << u"92"_s
            << u"玖拾贰圆整"_s;
        QTest::newRow("22 characters") << u"999999999.99"_s << u"999999999.99"_s
                                       << u"玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆玖角玖分"_s;
        QTest::newRow("paste") << u"{Shift+Ins}"_s << u"1,234.5"_s << u"壹仟贰佰叁拾肆圆伍角整"_s;
        QTest::newRow("paste past Qt's usual limit")
            << u"{Shift+Ins}"_s << QString(99'999, u'0') + u'5' << u"伍圆整"_s;
        QTest::newRow("paste, not a number") << u"{Shift+Ins}"_s << u"abc"_s << kFailureText;
        QTest::newRow("paste, spreadsheet cell")
            << u"{Shift+Ins}"_s << u"1234.50\r\n"_s << u"壹仟贰佰叁拾肆圆伍角整"_s;
        QTest::newRow("paste, spaces around")
            << u"{Shift+Ins}"_s << u"\u3000\t1234.5\u00a0 "_s << u"壹仟贰佰叁拾肆圆伍角整"_s;
        QTest::newRow("full-width keys")
            << u"１２。．５.3"_s << u"12.53"_s << u"壹拾贰圆伍角叁分"_s;
    }
    void amountBox() {
        QFETCH(QString, typed);
        QFETCH(QString, amount);
        QFETCH(QString, upper);
        QApplication::clipboard()->setText(amount);
        type(box("Text1"), typed);
        QCOMPARE(box("Text1")->text(), amount);
        QCOMPARE(box("Text2")->text(), upper);
        QCOMPARE(box("Text2")->toolTip(), upper);
        QCOMPARE(messages.shown, QStringList(upper == kFailureText, kFailureMessage));
        QVERIFY(resultInView());
        QCOMPARE(box("Text2")->font().pointSizeF() < 16.2, upper.size() > 16);
    }

    // An input method commits whole strings; each character passes the box's key handler in
    // turn, full-width digits and full stops as ASCII ones. Then Text1|Text2|Text3.
    void fullWidthInput_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("committed");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("after");
        QTest::newRow("amount, committed")
            << u"Text1"_s << true << u"。1２。5..2"_s << u"12.52|壹拾贰圆伍角贰分|"_s;
        QTest::newRow("display, committed") << u"Text3"_s << true << u"．１．5。"_s << u"||1.5"_s;
        QTest::newRow("display, typed")
            << u"Text3"_s << false << u"１２。５+"_s << u"12.5|壹拾贰圆伍角整|"_s;
    }
    void fullWidthInput() {
        QFETCH(QString, target);
        QFETCH(QString, input);
        QFETCH(bool, committed);
        QLineEdit* edit = box(target.toLatin1());
        if (committed) {
            QInputMethodEvent commit;
            commit.setCommitString(input);
            QApplication::sendEvent(edit, &commit);
        } else {
            type(edit, input);
        }
        QTEST(state().mid(0, 3).join(u'|'), "after");
        QCOMPARE(messages.shown, QStringList());
    }

    // Styles chosen in the result box's context menu ("|" between them) for the amount typed;
    // the next window remembers them, and its menu copies the whole result.
    void writingStyles_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("upper");
        QTest::newRow("first start") << u""_s << u"1.5"_s << u"壹圆伍角整"_s;
        QTest::newRow("元, 正") << u"写“元”，不写“圆”|写“正”，不写“整”"_s << u"1.5"_s
                                << u"壹元伍角正"_s;
        QTest::newRow("no 整 after 角") << u"角后也写“整”"_s << u"1.5"_s << u"壹圆伍角"_s;
        QTest::newRow("人民币") << u"前加“人民币”"_s << u"8"_s << u"人民币捌圆整"_s;
        QTest::newRow("sixteen digits")
            << u"整数至十六位"_s << u"1000000000000"_s << u"壹万亿圆整"_s;
        QTest::newRow("sixteen digits, then nine")
            << u"整数至十六位|整数至十六位"_s << u"1000000000000"_s << kFailureText;
    }
    void writingStyles() {
        QFETCH(QString, chosen);
        QFETCH(QString, typed);
        QTest::keyClicks(box("Text1"), typed);
        for (const QString& caption : chosen.split(u'|', Qt::SkipEmptyParts))
            choose(caption);
        QTEST(box("Text2")->text(), "upper");
        cleanup();
        open();
        QTest::keyClicks(box("Text1"), typed);
        QTEST(box("Text2")->text(), "upper");
        choose(u"复制全部"_s);
        QTEST(QApplication::clipboard()->text(), "upper");
    }

    // Clicks ("Text1": a right press there) after "7" typed into the display and "8" into the
    // amount; then Text1|Text2|Text3|pendingOperator|focus. The window shows the calculator
    // panel when it is tall enough for it.
    void buttons_data() {
        QTest::addColumn<QString>("clicked");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("expanded");
        QTest::newRow("Command1") << u"Command1"_s << u"||7||Text1"_s << false;
        QTest::newRow("press in Text1") << u"Text1"_s << u"||7||Text1"_s << false;
        QTest::newRow("Command4") << u"Command4"_s << u"8|捌圆整|||Text3"_s << false;
        QTest::newRow("Command2") << u"Command2"_s << u"||||Text3"_s << true;
        QTest::newRow("covered Command3") << u"Command3"_s << u"8|捌圆整|7||Text1"_s << false;
        QTest::newRow("Command2, Command3") << u"Command2 Command3"_s << u"||||Text1"_s << false;
    }
    void buttons() {
        QFETCH(QString, clicked);
        QTest::keyClicks(box("Text3"), u"7"_s);  // the display takes keys also when unseen
        QTest::keyClicks(box("Text1"), u"8"_s);
        for (const QString& name : clicked.split(u' '))
            QTest::mouseClick(form->findChild<QWidget*>(name),
                              name == u"Text1"_s ? Qt::RightButton : Qt::LeftButton);
        QTEST(state().join(u'|'), "after");
        QTEST(box("Text3")->geometry().bottom() < form->height(), "expanded");
        QTEST(!button("Command2")->isVisible(), "expanded");
    }

    // The calculator's own cases are its unit tests'; this is its wiring through the window.
    void calculatorChainAndDivisionByZero() {
        QTest::mouseClick(button("Command2"), Qt::LeftButton);
        QTest::keyClicks(box("Text1"), u"41823.51"_s);
        QTest::keyClicks(box("Text3"), u"2*/0"_s);
        const QStringList before = state();
        QCOMPARE(before.join(u'|'), u"83647.02|捌万叁仟陆佰肆拾柒圆零贰分|0|/|Text3"_s);
        QTest::keyClick(box("Text3"), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(state(), before);
    }

    void qtTextsInChinese() {
        if (!tessaly::app::installQtTranslation())
            QSKIP("Qt's Chinese translation (qtbase_zh_CN) is not installed");
        QString ok;
        QTimer::singleShot(0, this, [&] {
            auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ok = shown->button(QMessageBox::Ok)->text();
            shown->close();
        });
        tessaly::app::QtMessageBoxService().show(form, u"提示："_s, u"?"_s);
        QCOMPARE(ok, u"确定"_s);
    }

    void soak() {
        const int events = qEnvironmentVariableIntValue("TESSALY_SOAK_EVENTS");
        std::mt19937 random(qEnvironmentVariableIntValue("TESSALY_SOAK_SEED"));
        const auto pick = [&](const QString& from) { return from[random() % from.size()]; };
        for (int i = 0; i < (events > 0 ? events : 300); ++i) {
            const QStringList before = state();
            const qsizetype seen = messages.shown.size();
            QLineEdit* target = box(random() % 2 ? "Text1" : "Text3");
            const QChar key = pick(u"0123456789..+-*/\ra -"_s);
            const char* clickable[] = {"Command1", "Command4",
                                       button("Command2")->isVisible() ? "Command2" : "Command3"};
            const auto kind = random() % 3 + 1;
            if (kind == 1)
                QTest::mouseClick(box("Text1"), random() % 2 ? Qt::LeftButton : Qt::RightButton);
            else if (kind == 2)
                QTest::mouseClick(button(clickable[random() % 3]), Qt::LeftButton);
            else
                QTest::keyClicks(target, QString(key));
            if (QWidget* menu = QApplication::activePopupWidget())
                menu->close();  // a right press's context menu
            const QStringList after = state();
            QVERIFY(QStringList({"", "+", "-", "*", "/"}).contains(after[3]));
            QCOMPARE(after[1].isEmpty(), after[0].isEmpty() || after[0] == u"0"_s);
            QVERIFY(after[0] != before[0] || after[1] == before[1]);  // converted at each change
            QVERIFY(resultInView());
            for (const QString& shown : messages.shown.sliced(seen)) {
                QVERIFY(shown.startsWith(u"提示："_s));
                if (kind == 3 && shown != kFailureMessage)  // a failed calculation changes nothing
                    QCOMPARE(after, before);
            }
        }
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
