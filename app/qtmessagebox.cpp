#include "app/qtmessagebox.h"

#include <QMessageBox>

namespace tessaly::app {

void QtMessageBoxService::show(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace tessaly::app
