// The real window driven by a long run of seeded random events: keys of every kind, input-
// method commits, mouse presses, button clicks and calculator chains. After every event it
// checks what must always hold. TESSALY_SOAK_SEED and TESSALY_SOAK_EVENTS choose the run.

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/form1.h"
#include "convert/amount.h"
#include "inputmethod.h"
#include "recordingmessagebox.h"
#include "runtime/error.h"

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint32_t kDefaultSeed = 20'240'517;
constexpr int kDefaultEvents = 20'000;

const QString kTitle = u"提示："_s;
const QString kConversionPrompt = u"你输入的数字太长或者格式错误！"_s;
const QStringList kCalculatorPrompts = {u"除数不能为零！"_s, u"计算结果无效！"_s,
                                        u"计算结果超出范围！"_s};

QString qs(tessaly::runtime::TextView t) {
    return QString::fromUtf16(t.data(), static_cast<qsizetype>(t.size()));
}

// What Text2 must show for the amount box's text: nothing for "" and "0", the conversion, or
// the failure text.
QString expectedUpper(const QString& amount) {
    if (amount.isEmpty() || amount == u"0"_s)
        return {};
    tessaly::runtime::Text money = amount.toStdU16String();
    try {
        return qs(tessaly::convert::convertAmount(money));
    } catch (const tessaly::runtime::Error&) {
        return qs(tessaly::convert::kFailureText);
    }
}

bool admissible(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'.';
}

// Typing `typed` into a box adds only digits and ".", and a "." only where the box then holds
// text and no "." yet; the characters of a commit count one after another.
QString typingProblem(const QString& before, const QString& typed, const QString& after) {
    QString added = after;
    for (const QChar c : before) {
        const qsizetype k = added.indexOf(c);
        if (k >= 0)
            added.remove(k, 1);
    }
    for (const QChar c : added) {
        if (!admissible(c))
            return u"typed a refused character U+%1"_s.arg(int{c.unicode()}, 4, 16, QChar(u'0'));
    }
    bool holdsText = !before.isEmpty();
    bool holdsPoint = before.contains(u'.');
    qsizetype pointsAdmitted = 0;
    for (const QChar c : typed) {
        if (c >= u'0' && c <= u'9') {
            holdsText = true;
        } else if (c == u'.' && holdsText && !holdsPoint) {
            holdsPoint = true;
            ++pointsAdmitted;
        }
    }
    if (added.count(u'.') > pointsAdmitted)
        return u"typed a \".\" into an empty box or a second one"_s;
    return {};
}

// The offscreen platform warns at every change of the window's height; twenty thousand events
// would bury everything else.
QtMessageHandler defaultHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(u"propagateSizeHints"_s))
        return;
    defaultHandler(type, context, text);
}

}  // namespace

class SoakTest : public QObject {
    Q_OBJECT

    RecordingMessageBox messages;
    std::unique_ptr<tessaly::app::Form1> form;
    std::mt19937 random;
    QString lastEvent;

    QLineEdit* box(const char* name) const { return form->findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) const { return form->findChild<QPushButton*>(name); }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

    // A character as users and input methods produce them, mostly what the boxes take.
    QChar randomChar() {
        static const QString common = u"0123456789..+-*/"_s;
        static const QString other = u"一二壹零元万亿圆整，。１２３．＋－＊／　ａＡ"_s;
        switch (pick(4)) {
            case 0:
            case 1:
                return common[pick(static_cast<int>(common.size()))];
            case 2:
                return QChar(static_cast<char16_t>(0x20 + pick(0x5f)));  // printable ASCII
            default:
                return other[pick(static_cast<int>(other.size()))];
        }
    }

    void sendKey(QWidget* target, int key, Qt::KeyboardModifiers mods, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, mods, text);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, mods, text);
        QApplication::sendEvent(target, &release);
    }

    void typeChar(QWidget* target, QChar c) {
        int key = Qt::Key_unknown;
        if (c.unicode() < 0x80)
            key = c.toUpper().unicode();
        sendKey(target, key, Qt::NoModifier, QString(c));
    }

    void closePopup() {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }

    struct Typing {
        QLineEdit* box = nullptr;  // null when the event typed nothing
        QString typed;
    };

    // One random event; what it typed, if anything.
    Typing randomEvent() {
        QLineEdit* text1 = box("Text1");
        QLineEdit* text3 = box("Text3");
        QLineEdit* target = pick(2) ? text1 : text3;
        const QString name = target->objectName();
        switch (pick(20)) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4: {
                const QChar c = randomChar();
                lastEvent =
                    u"type U+%1 into %2"_s.arg(int{c.unicode()}, 4, 16, QChar(u'0')).arg(name);
                typeChar(target, c);
                return {target, QString(c)};
            }
            case 5:
            case 6:
            case 7: {
                // Calculator chains: digits, operators and Enter into the display.
                static const QString keys = u"0123456789.+-*/\r\r"_s;
                const QChar c = keys[pick(static_cast<int>(keys.size()))];
                lastEvent = u"type U+%1 into Text3"_s.arg(int{c.unicode()}, 4, 16, QChar(u'0'));
                if (c == u'\r') {
                    sendKey(text3, pick(2) ? Qt::Key_Return : Qt::Key_Enter, Qt::NoModifier,
                            u"\r"_s);
                } else {
                    typeChar(text3, c);
                }
                return {text3, QString(c)};
            }
            case 8:
            case 9: {
                QString s;
                for (int n = 1 + pick(3); n > 0; --n)
                    s += randomChar();
                lastEvent = u"commit \"%1\" into %2"_s.arg(s, name);
                commitText(target, s);
                return {target, s};
            }
            case 10:
            case 11: {
                static const int keys[] = {Qt::Key_Left, Qt::Key_Right,  Qt::Key_Home,
                                           Qt::Key_End,  Qt::Key_Delete, Qt::Key_Backspace};
                const int key = keys[pick(6)];
                const auto mods = pick(3) == 0 ? Qt::ShiftModifier : Qt::NoModifier;
                lastEvent = u"key 0x%1 (mods %2) into %3"_s.arg(key, 0, 16).arg(mods).arg(name);
                const QString text = key == Qt::Key_Backspace ? u"\b"_s : QString();
                sendKey(target, key, mods, text);
                return {target, text};
            }
            case 12: {
                const int letter = pick(26);
                lastEvent = u"Ctrl+%1 into %2"_s.arg(QChar(u'A' + letter)).arg(name);
                sendKey(target, Qt::Key_A + letter, Qt::ControlModifier,
                        QString(QChar(static_cast<char16_t>(letter + 1))));
                return {target, QString(QChar(static_cast<char16_t>(letter + 1)))};
            }
            case 13:
            case 14: {
                static const char* boxes[] = {"Text1", "Text2", "Text3"};
                static const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton,
                                                          Qt::MiddleButton};
                QLineEdit* pressed = box(boxes[pick(3)]);
                const Qt::MouseButton b = buttons[pick(3)];
                lastEvent = u"mouse %1 in %2"_s.arg(b).arg(pressed->objectName());
                QTest::mousePress(pressed, b);
                QTest::mouseRelease(pressed, b);
                closePopup();
                return {};
            }
            default: {
                // The buttons a user can reach with the mouse: the visible ones, and of the two
                // sharing one place only the one on top.
                std::vector<const char*> reachable = {"Command1", "Command4"};
                reachable.push_back(button("Command2")->isVisible() ? "Command2" : "Command3");
                const char* clicked = reachable[static_cast<std::size_t>(pick(3))];
                lastEvent = u"click %1"_s.arg(QLatin1StringView(clicked));
                QTest::mouseClick(button(clicked), Qt::LeftButton);
                return {};
            }
        }
    }

private slots:
    void soak() {
        const std::uint32_t seed = qEnvironmentVariableIsSet("TESSALY_SOAK_SEED")
                                       ? qEnvironmentVariableIntValue("TESSALY_SOAK_SEED")
                                       : kDefaultSeed;
        const int events = qEnvironmentVariableIsSet("TESSALY_SOAK_EVENTS")
                               ? qEnvironmentVariableIntValue("TESSALY_SOAK_EVENTS")
                               : kDefaultEvents;
        defaultHandler = qInstallMessageHandler(quietHandler);
        qInfo("soak: seed %u, %d events", seed, events);
        random.seed(seed);

        form = std::make_unique<tessaly::app::Form1>(messages);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QLineEdit* text1 = box("Text1");
        QLineEdit* text2 = box("Text2");
        QLineEdit* text3 = box("Text3");

        qsizetype seen = 0;
        int conversionFailures = 0;
        int calculatorFailures = 0;
        for (int i = 0; i < events; ++i) {
            const QString amountBefore = text1->text();
            const QString upperBefore = text2->text();
            const QString displayBefore = text3->text();
            const auto operatorBefore = form->calculator().pendingOperator();
            const QString typedBefore[] = {amountBefore, displayBefore};

            const Typing typing = randomEvent();
            if (i % 64 == 0)
                QApplication::processEvents();  // paint now and then, as a real session does

            const QString where = u"seed %1, event %2 (%3): "_s.arg(seed).arg(i).arg(lastEvent);
            QVERIFY2(text2->text() == expectedUpper(text1->text()),
                     qPrintable(where + u"Text2 \"%1\" for Text1 \"%2\""_s.arg(text2->text(),
                                                                               text1->text())));
            if (typing.box) {
                const QString before = typedBefore[typing.box == text1 ? 0 : 1];
                const QString after = typing.box->text();
                const QString problem = typingProblem(before, typing.typed, after);
                QVERIFY2(problem.isEmpty(),
                         qPrintable(where + problem + u": \"%1\" -> \"%2\""_s.arg(before, after)));
            }
            const auto op = form->calculator().pendingOperator();
            QVERIFY2(op.empty() || op == u"+" || op == u"-" || op == u"*" || op == u"/",
                     qPrintable(where + u"pendingOperator \"%1\""_s.arg(qs(op))));

            for (; seen < messages.messages().size(); ++seen) {
                const auto& m = messages.messages()[seen];
                QVERIFY2(m.title == kTitle, qPrintable(where + u"title "_s + m.title));
                if (m.text == kConversionPrompt) {
                    ++conversionFailures;
                    continue;
                }
                ++calculatorFailures;
                QVERIFY2(kCalculatorPrompts.contains(m.text),
                         qPrintable(where + u"unknown message "_s + m.text));
                // A failed operation leaves everything as it was. (A commit of several
                // characters may have run other operations before the failing one.)
                if (typing.typed.size() > 1)
                    continue;
                QVERIFY2(text1->text() == amountBefore && text2->text() == upperBefore &&
                             text3->text() == displayBefore &&
                             form->calculator().pendingOperator() == operatorBefore,
                         qPrintable(where + u"state changed on \"%1\""_s.arg(m.text)));
            }
        }
        qInfo("soak: %d conversion and %d calculator messages", conversionFailures,
              calculatorFailures);
        form.reset();
    }
};

QTEST_MAIN(SoakTest)
#include "soak_test.moc"
