#include "ui/views/service_filter_box.h"

#include <QKeyEvent>

namespace torvane {

ServiceFilterBox::ServiceFilterBox(QWidget* parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("serviceFilter"));
    setPlaceholderText(tr(kPlaceholder));
    setClearButtonEnabled(true);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        setLayoutDirection(text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    });
}

void ServiceFilterBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        clear();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace torvane
