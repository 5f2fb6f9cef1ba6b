// tessaly: the window. Options are read before Qt starts, so --help and --version work
// without a display.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <tessaly/version.h>

#include "app/form1.h"
#include "app/qtmessagebox.h"
#include "app/startup.h"

using namespace Qt::StringLiterals;

namespace {

constexpr const char* kUsage = "Usage: tessaly [--help | --version | --quit-when-shown]\n";

constexpr const char* kHelp =
    "Usage: tessaly [OPTION]\n"
    "Opens the window that writes an amount typed in digits in uppercase Chinese\n"
    "financial numerals, with a chain calculator below it.\n"
    "\n"
    "  --help             show this help and exit\n"
    "  --version          show the version and exit\n"
    "  --quit-when-shown  quit as soon as the window has first been drawn\n"
    "                     (for measuring start-up time and memory)\n"
    "\n"
    "It needs a graphical session; for scripts, use tessaly-convert.\n";

// The one line for a window that cannot open; the program then exits with status 2.
void cannotStart(const QString& reason) {
    std::fprintf(stderr, "tessaly: cannot open the window (%s); for scripts, use tessaly-convert\n",
                 reason.toLocal8Bit().constData());
}

bool hasDisplay() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
#else
    return true;
#endif
}

// While the application starts, Qt's messages are held back. When Qt gives up (an unknown
// platform plugin, a display that refuses the connection) it ends with a fatal message; the
// warnings of its platform layer before it say why, and become our one line. Once the start
// succeeded, the held messages go out as usual.
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
QtMessageHandler previousHandler = nullptr;
bool starting = true;
std::vector<HeldMessage> held;

QString startFailure(const QString& fatal) {
    QStringList reasons;
    for (const HeldMessage& m : held) {
        if (m.type != QtInfoMsg && m.type != QtDebugMsg && m.category.startsWith("qt.qpa"))
            reasons.append(m.text.simplified());
    }
    if (reasons.isEmpty())
        reasons.append(fatal.section(u'\n', 0, 0).simplified());
    return reasons.join(u"; "_s);
}

void startupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!starting) {
        previousHandler(type, context, text);
        return;
    }
    if (type == QtFatalMsg) {
        cannotStart(startFailure(text));
        std::_Exit(2);
    }
    held.push_back({type, QByteArray(context.category ? context.category : ""), text});
}

void releaseHeldMessages() {
    starting = false;
    for (const HeldMessage& m : held) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
        previousHandler(m.type, context, m.text);
    }
    held.clear();
}

// Quits once the window has been painted for the first time.
class QuitWhenShown : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool done_ = false;
};

// Reads the options and checks that a window can be opened at all. Returns the exit status
// when there is nothing more to do.
std::optional<int> checkStart(int argc, char* argv[], bool& quitWhenShown) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::fputs("Tessaly " TESSALY_VERSION "\n", stdout);
            return 0;
        }
        if (arg == "--quit-when-shown") {
            quitWhenShown = true;
            continue;
        }
        std::fprintf(stderr, "tessaly: unknown argument '%s'\n", argv[i]);
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!hasDisplay()) {
        cannotStart(u"no display found"_s);
        return 2;
    }
    previousHandler = qInstallMessageHandler(startupMessageHandler);
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
    bool quitWhenShown = false;
    if (const std::optional<int> status = checkStart(argc, argv, quitWhenShown))
        return *status;
    int qtArgc = 1;  // our own options are not Qt's
    QApplication app(qtArgc, argv);
    releaseHeldMessages();
    // The writing style chosen in the window is kept in ~/.config/Tessaly/Tessaly.conf.
    QApplication::setOrganizationName(u"Tessaly"_s);
    QApplication::setApplicationName(u"Tessaly"_s);
    QApplication::setApplicationVersion(QStringLiteral(TESSALY_VERSION));
    QGuiApplication::setDesktopFileName(u"tessaly"_s);
    QApplication::setWindowIcon(QIcon(u":/tessaly.png"_s));
    tessaly::app::installQtTranslation();

    tessaly::app::QtMessageBoxService messages;
    tessaly::app::Form1 form(messages);
    QuitWhenShown quitter;
    if (quitWhenShown)
        form.installEventFilter(&quitter);
    form.show();
    return QApplication::exec();
}
