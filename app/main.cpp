// tessaly: the window. Options are read before Qt starts, so --help and --version work
// without a display.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QIcon>
#include <QString>
#include <QTimer>

#include "app/form1.h"
#include "app/qtmessagebox.h"

using namespace Qt::StringLiterals;

namespace {

constexpr const char* kUsage = "usage: tessaly [--help | --version | --quit-when-shown]\n";

constexpr const char* kHelp =
    "usage: tessaly [OPTION]\n"
    "Opens the window that writes an amount typed in digits in uppercase Chinese\n"
    "financial numerals, with a chain calculator below it.\n"
    "\n"
    "  --help             show this help and exit\n"
    "  --version          show the version and exit\n"
    "  --quit-when-shown  quit as soon as the window has first been drawn\n"
    "                     (for measuring start-up time and memory)\n"
    "\n"
    "It needs a graphical session; for scripts, use tessaly-convert.\n";

constexpr const char* kNoDisplay =
    "tessaly: needs a graphical session (no display found); for scripts, use tessaly-convert\n";

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

// A display that is named but cannot be reached makes Qt give up with a fatal message and
// abort. While the application starts, Qt's messages are held back; a fatal one turns into
// our one line and exit status 2, and the rest are let through once the start succeeded.
struct HeldMessage {
    QtMsgType type;
    QString category;
    QString text;
};
QtMessageHandler previousHandler = nullptr;
bool starting = true;
std::vector<HeldMessage>* held = nullptr;

void startupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!starting) {
        previousHandler(type, context, text);
        return;
    }
    if (type == QtFatalMsg) {
        std::fputs(kNoDisplay, stderr);
        std::_Exit(2);
    }
    held->push_back({type, QString::fromUtf8(context.category ? context.category : ""), text});
}

void releaseHeldMessages() {
    starting = false;
    for (const HeldMessage& m : *held) {
        const QByteArray category = m.category.toUtf8();
        const QMessageLogContext context(nullptr, 0, nullptr, category.constData());
        previousHandler(m.type, context, m.text);
    }
    held->clear();
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

}  // namespace

int main(int argc, char* argv[]) {
    bool quitWhenShown = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::fputs("Tessaly 1.00\n", stdout);
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
        std::fputs(kNoDisplay, stderr);
        return 2;
    }

    std::vector<HeldMessage> heldMessages;
    held = &heldMessages;
    previousHandler = qInstallMessageHandler(startupMessageHandler);
    int qtArgc = 1;  // our own options are not Qt's
    QApplication app(qtArgc, argv);
    releaseHeldMessages();

    QApplication::setApplicationName(u"Tessaly"_s);
    QApplication::setApplicationVersion(u"1.00"_s);
    QGuiApplication::setDesktopFileName(u"tessaly"_s);
    QApplication::setWindowIcon(QIcon(u":/tessaly.png"_s));

    tessaly::app::QtMessageBoxService messages;
    tessaly::app::Form1 form(messages);
    QuitWhenShown quitter;
    if (quitWhenShown)
        form.installEventFilter(&quitter);
    form.show();
    return QApplication::exec();
}
