#pragma once

// The main window: the amount box with its uppercase result, and below it the calculator
// panel that the window shows and hides by its height alone.

#include <QWidget>

#include <tessaly/tessaly.h>

#include "app/eventboundary.h"
#include "app/messagebox.h"
#include "calc/calculator.h"
#include "runtime/text.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tessaly::app {

class EntryBox;

// Lets the calculator read and write a box; writing runs the box's change handling at once.
class LineEditTextBox final : public calc::TextBox {
public:
    explicit LineEditTextBox(QLineEdit& edit) : edit_(edit) {}
    runtime::Text text() const override;
    void setText(const runtime::Text& text) override;

private:
    QLineEdit& edit_;
};

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(MessageBoxService& messages, QWidget* parent = nullptr);

    // The uppercase form of the amount in Text1. "" when Text1 holds "" or "0" (money is then
    // left as it was); otherwise money is overwritten with the amount to two decimals, and a
    // text that cannot be converted is reported in a message box and gives "零圆零角零分".
    runtime::Text getRMB(runtime::Text& money);
    static runtime::Text NumToChn(runtime::TextView num);

    const calc::Calculator& calculator() const noexcept { return calculator_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void layOut();
    void applyColours();
    void setClientHeight(int twips);

    void load();
    void command1Click();
    void command2Click();
    void command3Click();
    void command4Click();
    void text1KeyPress(std::int16_t& keyAscii);
    void text1MouseDown();
    void text1Change();
    void text2Menu(const QPoint& at);
    void setWriting(const Style& style);

    MessageBoxService& messages_;
    EventBoundary boundary_;

    EntryBox* Text1;
    QLineEdit* Text2;
    EntryBox* Text3;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;

    LineEditTextBox display_;
    LineEditTextBox amount_;
    calc::Calculator calculator_;
    // How Text2 writes the amount: chosen in its context menu, remembered between starts.
    Style writing_;
};

}  // namespace tessaly::app
