// The main window driven as a user drives it: keys, input-method commits, pastes, mouse presses
// and clicks on the real Form1, its message boxes recorded instead of shown. The soak runs 300
// seeded random events, or TESSALY_SOAK_EVENTS of them from TESSALY_SOAK_SEED.

#include <algorithm>
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

// Records each box the window asks for, title and text run together, and returns at once: no
// modal box ever blocks a test.
struct RecordingMessageBox final : MessageBoxService {
    QStringList shown;
    void show(QWidget*, const QString& title, const QString& text) override {
        shown.append(title + text);
    }
};

class Form1Test : public QObject {
    Q_OBJECT

    RecordingMessageBox messages;
    tessaly::app::Form1* form = nullptr;
    QTemporaryDir settings;

    void open() {
        form = new tessaly::app::Form1(messages);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form));
    }
    QLineEdit* box(const char* name) const { return form->findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) const { return form->findChild<QPushButton*>(name); }
    // Text1, Text2, Text3, pendingOperator, the control with the focus, and "panel" when the
    // calculator shows.
    QStringList state() const {
        return QStringList{box("Text1")->text(), box("Text2")->text(), box("Text3")->text(),
                           tessaly::app::toQString(form->calculator().pendingOperator()),
                           QApplication::focusWidget()->objectName()}
               << (button("Command2")->isVisible() ? u""_s : u"panel"_s);
    }
    // Plays what a user does. Text is typed into the box in use, Text1 at first (a character
    // beyond Latin-1 as the text of an unknown key, as a keyboard layout sends it); "{Home}"
    // presses that key there, "«text»" is an input method's commit to it, "<Text3>" turns to
    // another box without touching it, "[Command2]" clicks a control (Text1: a right press),
    // "(复制全部)" chooses that entry of the result box's context menu, and "↻" closes the
    // window and starts it again.
    void play(const QString& script) {
        QWidget* target = box("Text1");
        for (qsizetype i = 0; i < script.size(); ++i) {
            const qsizetype kind = u"{«<[("_s.indexOf(script[i]);
            const qsizetype end = kind < 0 ? i : script.indexOf(u"}»>])"_s[kind], i);
            const QString inside = script.mid(i + 1, end - i - 1);
            const QChar typed = script[i];
            i = end;
            if (kind == 0) {
                const QKeyCombination key = QKeySequence(inside)[0];
                QTest::keyClick(target, key.key(), key.keyboardModifiers());
            } else if (kind == 1) {
                QInputMethodEvent commit;
                commit.setCommitString(inside);
                QApplication::sendEvent(target, &commit);
            } else if (kind == 2) {
                target = box(inside.toLatin1());
            } else if (kind == 3) {
                QTest::mouseClick(form->findChild<QWidget*>(inside),
                                  inside == u"Text1"_s ? Qt::RightButton : Qt::LeftButton);
            } else if (kind == 4) {  // the right press reaches the box as its context menu event
                QLineEdit* result = box("Text2");
                const QPoint at = result->rect().center();
                QContextMenuEvent press(QContextMenuEvent::Mouse, at, result->mapToGlobal(at));
                QApplication::sendEvent(result, &press);
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                QVERIFY(menu);
                const QList<QAction*> actions = menu->actions();
                const auto chosen = std::ranges::find(actions, inside, &QAction::text);
                QVERIFY2(chosen != actions.end(), qPrintable(inside));
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(*chosen).center());
            } else if (typed == u'↻') {
                cleanup();
                open();
                target = box("Text1");
            } else if (typed.unicode() < 0x80) {
                QTest::keyClick(target, typed.toLatin1());
            } else {
                QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(typed), {});
            }
        }
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
        messages.shown.clear();
        open();
    }
    void cleanup() { delete form; }

    // What a user does (see play()) with `clipboard` on the clipboard, then the state() and
    // the number of message boxes shown. The result box shows its whole text, in a smaller size
    // than 16.2 pt only when it is longer than about 16 characters, and as its tooltip. The
    // window shows the calculator panel when it is tall enough for it.
    void userActions_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("shown");
        const auto row = [](const char* name, const QString& script, const QString& after,
                            int shown = 0, const QString& clipboard = {}) {
            QTest::newRow(name) << script << clipboard << after << shown;
        };
        row("points", u".12{Home}.{End}.{Shift+Home}."_s, u".12|壹角贰分|||Text1|"_s);
        // Ctrl+V adds nothing: only Shift+Insert pastes.
        row("discarded, editing", u"12a -+,{Backspace}{Return}{Esc}{Ctrl+V}{Home}{Del}{Num+9}"_s,
            u"92|玖拾贰圆整|||Text1|"_s, 0, u"34"_s);
        row("22 characters", u"999999999.99"_s,
            u"999999999.99|玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆玖角玖分|||Text1|"_s);
        row("paste past Qt's usual limit", u"{Shift+Ins}"_s,
            QString(99'999, u'0') + u"5|伍圆整|||Text1|"_s, 0, QString(99'999, u'0') + u'5');
        row("paste, not a number", u"{Shift+Ins}"_s, u"abc|零圆零角零分|||Text1|"_s, 1, u"abc"_s);
        row("paste, spreadsheet cell, blanks around", u"{Shift+Ins}"_s,
            u"\u3000\t1,234.50\u00a0 \r\n|壹仟贰佰叁拾肆圆伍角整|||Text1|"_s, 0,
            u"\u3000\t1,234.50\u00a0 \r\n"_s);
        // An input method's full-width digits and full stops pass the key handler as ASCII ones.
        row("full-width keys", u"１２。．５.3"_s, u"12.53|壹拾贰圆伍角叁分|||Text1|"_s);
        row("amount, committed", u"«。1２。5..2»"_s, u"12.52|壹拾贰圆伍角贰分|||Text1|"_s);
        row("display, committed", u"<Text3>«．１．5。»"_s, u"||1.5||Text1|"_s);
        row("display, typed", u"<Text3>１２。５+"_s, u"12.5|壹拾贰圆伍角整||+|Text1|"_s);
        // The display takes keys also when unseen.
        row("Command1", u"<Text3>7<Text1>8[Command1]"_s, u"||7||Text1|"_s);
        row("press in Text1", u"<Text3>7<Text1>8[Text1]"_s, u"||7||Text1|"_s);
        row("Command4", u"<Text3>7<Text1>8[Command4]"_s, u"8|捌圆整|||Text3|"_s);
        row("Command2", u"<Text3>7<Text1>8[Command2]"_s, u"||||Text3|panel"_s);
        row("covered Command3", u"<Text3>7<Text1>8[Command3]"_s, u"8|捌圆整|7||Text1|"_s);
        row("Command2, Command3", u"<Text3>7<Text1>8[Command2][Command3]"_s, u"||||Text1|"_s);
        // A writing style chosen in the result box's menu applies at once (the whole result
        // copied then is the one the next window writes) and is remembered by the next window.
        row("元, 正", u"1.5(写“元”，不写“圆”)(写“正”，不写“整”)(复制全部)↻1.5"_s,
            u"1.5|壹元伍角正|||Text1|"_s);
        row("no 整 after 角", u"1.5(角后也写“整”)(复制全部)↻1.5"_s, u"1.5|壹圆伍角|||Text1|"_s);
        row("人民币", u"8(前加“人民币”)(复制全部)↻8"_s, u"8|人民币捌圆整|||Text1|"_s);
        row("sixteen digits", u"(整数至十六位)1000000000000(复制全部)↻1000000000000"_s,
            u"1000000000000|壹万亿圆整|||Text1|"_s);
        row("sixteen digits, then nine",
            u"(整数至十六位)1000000000000(整数至十六位)(复制全部)↻1000000000"_s,
            u"1000000000|零圆零角零分|||Text1|"_s, 2);
        // The calculator's own cases are its unit tests'; this is its wiring through the window.
        row("chain, then division by zero", u"[Command2]41823.51<Text3>2*/0{Num+Enter}"_s,
            u"83647.02|捌万叁仟陆佰肆拾柒圆零贰分|0|/|Text3|panel"_s, 1);
    }
    void userActions() {
        QFETCH(QString, script);
        QFETCH(QString, clipboard);
        QApplication::clipboard()->setText(clipboard);
        play(script);
        QTEST(state().join(u'|'), "after");
        QTEST(int(messages.shown.size()), "shown");
        // Nothing but 复制全部 touches the clipboard.
        QCOMPARE(QApplication::clipboard()->text(),
                 script.contains(u"(复制全部)"_s) ? box("Text2")->text() : clipboard);
        const QString upper = box("Text2")->text();
        QCOMPARE(messages.shown.contains(kFailureMessage), upper == u"零圆零角零分"_s);
        QCOMPARE(box("Text2")->toolTip(), upper);
        QVERIFY(resultInView());
        QCOMPARE(box("Text2")->font().pointSizeF() < 16.2, upper.size() > 16);
        QCOMPARE(box("Text3")->geometry().bottom() < form->height(),
                 !button("Command2")->isVisible());
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
        // Keys (into Text1 or the display) and, as often, clicks.
        const QStringList actions =
            u"0 1 2 3 4 5 6 7 8 9 . + - * / {Return} a {Space} [Text1] "
            u"[Command1] [Command4] [Command2] [Text1] [Command1] "
            u"[Command4] [Command2] [Command2] [Text1] [Command4]"_s.split(u' ');
        for (int i = 0; i < (events > 0 ? events : 300); ++i) {
            const QStringList before = state();
            const qsizetype seen = messages.shown.size();
            QString action = actions[random() % actions.size()];
            if (!button("Command2")->isVisible())
                action.replace(u"Command2"_s, u"Command3"_s);  // the one in view
            play(random() % 2 ? action : u"<Text3>"_s + action);
            if (QWidget* menu = QApplication::activePopupWidget())
                menu->close();  // a right press's context menu
            const QStringList after = state();
            QVERIFY(QStringList({"", "+", "-", "*", "/"}).contains(after[3]));
            QCOMPARE(after[1].isEmpty(), after[0].isEmpty() || after[0] == u"0"_s);
            QVERIFY(after[0] != before[0] || after[1] == before[1]);  // converted at each change
            QVERIFY(resultInView());
            for (const QString& shown : messages.shown.sliced(seen)) {
                QVERIFY(shown.startsWith(u"提示："_s));
                if (!action.startsWith(u'[') && shown != kFailureMessage)
                    QCOMPARE(after, before);  // a failed calculation changes nothing
            }
        }
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
