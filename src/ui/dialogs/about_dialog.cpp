#include "ui/dialogs/about_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

#include "link/upgrade_lib.h"
#include "ui/dialogs/dialog_support.h"

namespace torvane {

QStringList AboutDialog::Lines()
{
    return {
        QStringLiteral("Torvane"),
        QStringLiteral("Version %1, built with Qt %2").arg(QStringLiteral(TORVANE_VERSION), QStringLiteral(QT_VERSION_STR)),
        QStringLiteral("Release Date: 22 Aug. 2008"),
        QStringLiteral("Upgrade Library Version: %1").arg(ToQString(UpgradeLib::GetLibVersion())),
        QStringLiteral("Made by the Torvane developers"),
    };
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Torvane"));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    // The window's icon, which the application sets; nothing is drawn without one.
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull()) {
        auto* picture = new QLabel(this);
        picture->setPixmap(icon.pixmap(48, 48));
        grid->addWidget(picture, 0, 0, Qt::AlignTop);
    }
    auto* lines = new QVBoxLayout;
    lines->setSpacing(6);
    const QStringList texts = Lines();
    for (qsizetype i = 0; i < texts.size(); ++i) {
        auto* label = new QLabel(texts[i], this);
        if (i == 0) {
            QFont font = label->font();
            font.setBold(true);
            font.setPointSizeF(font.pointSizeF() * 1.3);
            label->setFont(font);
        }
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        lines->addWidget(label);
    }
    grid->addLayout(lines, 0, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 12);
    layout->addLayout(grid);
    layout->addSpacing(12);
    layout->addWidget(buttons);
    FixDialogSize(*this);
}

} // namespace torvane
