#include "app/form1.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QClipboard>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionFrame>

#include "app/entrybox.h"
#include "app/qtext.h"
#include "app/twips.h"
#include "convert/amount.h"

namespace tessaly::app {

using namespace Qt::StringLiterals;

namespace {

// Client area in twips; the frame belongs to the window manager.
constexpr int kClientWidth = 5904;
constexpr int kCollapsedHeight = 2136;
constexpr int kExpandedHeight = 3336;

struct Place {
    int left, top, width, height;
};

void place(QWidget* widget, Place p) {
    widget->setGeometry(twipsToPx(p.left), twipsToPx(p.top), twipsToPx(p.width),
                        twipsToPx(p.height));
}

// The boxes are drawn in a Song face, as amounts on paper are; whichever of these the system
// has comes first, else the system's default.
QFont boxFont() {
    QFont font;
    font.setFamilies({u"宋体"_s, u"SimSun"_s, u"NSimSun"_s, u"Noto Serif CJK SC"_s,
                      u"Source Han Serif SC"_s, u"AR PL UMing CN"_s});
    font.setPointSizeF(16.2);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

// The result box shows its whole text, also in the tooltip: a text wider than the box is drawn
// in a smaller size of the same face, just small enough to fit.
class ResultBox final : public QLineEdit {
public:
    ResultBox(const QFont& font, QWidget* parent) : QLineEdit(parent), font_(font) {
        setFont(font);
        connect(this, &QLineEdit::textChanged, this, &ResultBox::fit);
    }

private:
    void fit() {
        setToolTip(text());
        const qreal room = textRoom();
        QFont font = font_;
        for (qreal width = textWidth(font); width > room && font.pointSizeF() > 1;
             width = textWidth(font)) {
            font.setPointSizeF(std::max(1.0, font.pointSizeF() * std::min(0.99, room / width)));
        }
        setFont(font);
    }

    qreal textWidth(const QFont& font) const {
        return std::ceil(QFontMetricsF(font, this).horizontalAdvance(text()));
    }

    // The width in which QLineEdit draws a text without scrolling it: inside the frame and the
    // text margins, less 2 px on each side and 1 for the cursor.
    int textRoom() {
        QStyleOptionFrame option;
        initStyleOption(&option);
        const QRect inside = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
        return inside.marginsRemoved(textMargins()).width() - 5;
    }

    QFont font_;
};

QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QLabel* label(const QString& name, const QString& caption, QWidget* parent) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->setAccessibleName(caption);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setWordWrap(true);
    return l;
}

// Colours taken from the window's palette only for the active and inactive states, so that a
// disabled control keeps the style's greyed look.
void setColour(QWidget* widget, QPalette::ColorRole role, const QPalette& from,
               QPalette::ColorRole source) {
    QPalette p = widget->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, role, from.color(group, source));
    }
    widget->setPalette(p);
}

void setColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette p = widget->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, role, colour);
    }
    widget->setPalette(p);
}

// The writing styles the result box's context menu offers, each one checkable, and the
// settings key that remembers it.
struct WritingChoice {
    QString caption;
    QString key;
    bool (*isOn)(const Style&);
    void (*turn)(Style&, bool on);
};

const WritingChoice kWritingChoices[] = {
    {u"写“元”，不写“圆”"_s, u"writing/commonUnit"_s,
     [](const Style& s) { return s.unit == Unit::Common; },
     [](Style& s, bool on) { s.unit = on ? Unit::Common : Unit::Formal; }},
    {u"写“正”，不写“整”"_s, u"writing/exactClosing"_s,
     [](const Style& s) { return s.closing == Closing::Exact; },
     [](Style& s, bool on) { s.closing = on ? Closing::Exact : Closing::Whole; }},
    {u"角后也写“整”"_s, u"writing/closeAfterJiao"_s,
     [](const Style& s) { return s.closeAfterJiao; },
     [](Style& s, bool on) { s.closeAfterJiao = on; }},
    {u"前加“人民币”"_s, u"writing/prefix"_s, [](const Style& s) { return s.prefix; },
     [](Style& s, bool on) { s.prefix = on; }},
    {u"整数至十六位"_s, u"writing/wide"_s, [](const Style& s) { return s.wide; },
     [](Style& s, bool on) { s.wide = on; }},
};

Style rememberedWriting() {
    const QSettings settings;
    Style style;
    for (const WritingChoice& choice : kWritingChoices)
        choice.turn(style, settings.value(choice.key, choice.isOn(style)).toBool());
    return style;
}

void rememberWriting(const Style& style) {
    QSettings settings;
    for (const WritingChoice& choice : kWritingChoices)
        settings.setValue(choice.key, choice.isOn(style));
}

}  // namespace

runtime::Text LineEditTextBox::text() const {
    return toText(edit_.text());
}

void LineEditTextBox::setText(const runtime::Text& text) {
    edit_.setText(toQString(text));
}

Form1::Form1(MessageBoxService& messages, QWidget* parent)
    : QWidget(parent),
      messages_(messages),
      boundary_(messages, this),
      Text1(new EntryBox(boundary_, this)),
      Text2(new ResultBox(boxFont(), this)),
      Text3(new EntryBox(boundary_, this)),
      Command1(button(u"Command1"_s, u"清除"_s, this)),
      Command2(button(u"Command2"_s, u"▼展开计算器"_s, this)),
      Command3(button(u"Command3"_s, u"▲收起计算器"_s, this)),
      Command4(button(u"Command4"_s, u"清 零"_s, this)),
      Label1(label(u"Label1"_s, u"注：转换后小数点仅保留2位数。"_s, this)),
      Label2(label(u"Label2"_s, u"直接输入进行计算"_s, this)),
      Label3(label(u"Label3"_s, u"加法:+  减法:-  乘法:*  除法:/"_s, this)),
      display_(*Text3),
      amount_(*Text1),
      calculator_(display_, amount_),
      writing_(rememberedWriting()) {
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Tessaly - 开源项目组"_s);
    // A fixed-size window: no maximise button, and the user cannot drag its edges.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    Text1->setObjectName(u"Text1"_s);
    Text1->setAccessibleName(u"金额"_s);
    Text2->setObjectName(u"Text2"_s);
    Text2->setAccessibleName(u"大写金额"_s);
    Text2->setReadOnly(true);
    Text2->setContextMenuPolicy(Qt::CustomContextMenu);
    Text3->setObjectName(u"Text3"_s);
    Text3->setAccessibleName(u"计算器"_s);
    Text1->setFont(boxFont());
    Text3->setFont(boxFont());
    // Pastes of any length: the conversion and the calculator decide what a text means.
    for (QLineEdit* box : {static_cast<QLineEdit*>(Text1), Text2, static_cast<QLineEdit*>(Text3)})
        box->setMaxLength(std::numeric_limits<int>::max());
    Label1->setEnabled(false);
    Label3->setEnabled(false);

    layOut();
    applyColours();
    // The hint stands in two lines of four characters. A CJK face's own line spacing would push
    // the second out of the label, so the lines are set half the label's height apart, in a
    // size that leaves 2 px between them.
    const int pitch = Label2->height() / 2;
    QFont hintFont = Label2->font();
    hintFont.setPixelSize(pitch - 2);
    Label2->setFont(hintFont);
    Label2->setTextFormat(Qt::RichText);
    Label2->setText(
        u"<div style=\"-qt-line-height-type:fixed; line-height:%1px\">直接输入<br>进行计算</div>"_s
            .arg(pitch));

    Text1->setKeyHandler([this](std::int16_t& keyAscii) { text1KeyPress(keyAscii); });
    Text1->setMouseHandler([this] { text1MouseDown(); });
    Text3->setKeyHandler([this](std::int16_t& keyAscii) { calculator_.keyPress(keyAscii); });
    connect(Text1, &QLineEdit::textChanged, this,
            [this] { boundary_.run([this] { text1Change(); }); });
    connect(Text2, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { boundary_.run([&] { text2Menu(at); }); });
    connect(Command1, &QPushButton::clicked, this,
            [this] { boundary_.run([this] { command1Click(); }); });
    connect(Command2, &QPushButton::clicked, this,
            [this] { boundary_.run([this] { command2Click(); }); });
    connect(Command3, &QPushButton::clicked, this,
            [this] { boundary_.run([this] { command3Click(); }); });
    connect(Command4, &QPushButton::clicked, this,
            [this] { boundary_.run([this] { command4Click(); }); });

    boundary_.run([this] { load(); });
    Text1->setFocus();
}

void Form1::layOut() {
    setFixedWidth(twipsToPx(kClientWidth));

    place(Command4, {4680, 2400, 972, 372});
    place(Text3, {1080, 2400, 3492, 372});
    place(Command2, {120, 1800, 1212, 252});
    place(Command1, {4680, 360, 972, 372});
    place(Text2, {240, 1080, 5412, 444});
    place(Text1, {240, 360, 4332, 396});
    place(Command3, {120, 1800, 1212, 252});
    place(Label3, {1320, 2880, 2892, 252});
    place(Label2, {240, 2400, 732, 372});
    place(Label1, {240, 1680, 5412, 252});

    // Stacking, from the bottom up: the labels beneath everything, Command2 over Command3.
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, Label2, Label3, Command3, Text1,
                                                      Text2, Command1, Command2, Text3, Command4}) {
        w->raise();
    }

    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Text2);
    setTabOrder(Text2, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Text3);
    setTabOrder(Text3, Command4);
}

// The colours follow the desktop theme: 3-D light, highlight and window frame become the
// palette's Light, Highlight and Shadow, menu text its WindowText.
void Form1::applyColours() {
    const QPalette& theme = palette();
    setColour(Text1, QPalette::Base, theme, QPalette::Light);
    setColour(Text1, QPalette::Text, QColor(0, 128, 128));
    setColour(Text2, QPalette::Base, theme, QPalette::Highlight);
    setColour(Text3, QPalette::Base, theme, QPalette::Shadow);
    setColour(Text3, QPalette::Text, QColor(224, 224, 224));
    setColour(Label1, QPalette::WindowText, theme, QPalette::WindowText);
    setColour(Label2, QPalette::WindowText, theme, QPalette::Highlight);
}

void Form1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        applyColours();
    QWidget::changeEvent(event);
}

void Form1::setClientHeight(int twips) {
    setFixedHeight(twipsToPx(twips));
}

runtime::Text Form1::getRMB(runtime::Text& money) {
    const QString shown = Text1->text();
    if (shown.isEmpty() || shown == u"0"_s)
        return {};
    try {
        return convert::convertAmount(money, writing_);
    } catch (const runtime::Error&) {
        messages_.show(this, toQString(convert::kFailureTitle), toQString(convert::kFailurePrompt));
        return runtime::Text(convert::kFailureText);
    }
}

runtime::Text Form1::NumToChn(runtime::TextView num) {
    return runtime::Text(convert::NumToChn(num));
}

void Form1::load() {
    Text1->setText({});
    Text2->setText({});
    Text3->setText({});
    setClientHeight(kCollapsedHeight);
    calculator_.load();
}

void Form1::command1Click() {
    Text1->setText({});
    Text1->setFocus();
}

void Form1::command2Click() {
    Command2->hide();
    Command3->show();
    setClientHeight(kExpandedHeight);
    Text3->setFocus();
    Text1->setText({});
    Text2->setText({});
    Text3->setText({});
}

void Form1::command3Click() {
    Command3->hide();
    Command2->show();
    setClientHeight(kCollapsedHeight);
    Text1->setFocus();
}

void Form1::command4Click() {
    Text3->setText({});
    Text3->setFocus();
}

void Form1::text1KeyPress(std::int16_t& keyAscii) {
    if (runtime::isDigit(static_cast<char16_t>(keyAscii)))
        return;
    // One point, and never as the first character; the whole text counts, wherever the caret.
    if (keyAscii == '.') {
        const QString text = Text1->text();
        if (!text.isEmpty() && !text.contains(u'.'))
            return;
    }
    keyAscii = 0;
}

void Form1::text1MouseDown() {
    Text1->setText({});
}

void Form1::text1Change() {
    runtime::Text money = toText(Text1->text());
    Text2->setText(toQString(getRMB(money)));
}

// Qt's own menu of the box, with the whole result to copy above it and the writing styles below.
void Form1::text2Menu(const QPoint& at) {
    QMenu* menu = Text2->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* first = menu->actions().value(0);
    QAction* copyAll = new QAction(u"复制全部"_s, menu);
    connect(copyAll, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(Text2->text()); });
    menu->insertAction(first, copyAll);
    menu->insertSeparator(first);
    menu->addSeparator();
    for (const WritingChoice& choice : kWritingChoices) {
        QAction* action = menu->addAction(choice.caption);
        action->setCheckable(true);
        action->setChecked(choice.isOn(writing_));
        connect(action, &QAction::toggled, this, [this, &choice](bool on) {
            boundary_.run([&] {
                Style style = writing_;
                choice.turn(style, on);
                setWriting(style);
            });
        });
    }
    menu->popup(Text2->mapToGlobal(at));
}

// The result is written again at once in the new style.
void Form1::setWriting(const Style& style) {
    writing_ = style;
    rememberWriting(style);
    text1Change();
}

}  // namespace tessaly::app
