#include "ui/dialogs/file_dialog.h"

#include <QFileInfo>
#include <QLineEdit>


namespace torvane {

namespace {

// The name box of Qt's own file dialog, which a platform's native dialog does not give.
QLineEdit* NameBox(const QFileDialog& dialog)
{
    return dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

} // namespace

FileDialog::FileDialog(Mode mode, std::string_view filterText, const QString& defaultName, const QString& folder,
                       QWidget* parent)
    : QFileDialog(parent), m_filter(filterText, QFileInfo(defaultName).fileName().toStdString())
{
    // Qt's own dialog, so that the name box can follow the picked type on every platform.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(mode == Mode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    setFileMode(mode == Mode::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QString defaultFolder = QFileInfo(defaultName).path();
    if (defaultName.contains(QLatin1Char('/')) || defaultName.contains(QLatin1Char('\\')))
        setDirectory(defaultFolder);
    else if (!folder.isEmpty())
        setDirectory(folder);

    QStringList labels;
    for (const torvane::FileType& type : m_filter.Types())
        labels << QString::fromStdString(type.label);
    setNameFilters(labels);
    if (m_filter.TypeNumber() > 0)
        selectNameFilter(labels[m_filter.TypeNumber() - 1]);
    SetNameBoxText(QString::fromStdString(m_filter.Name()));
    connect(this, &QFileDialog::filterSelected, this, &FileDialog::TypePicked);
}

QString FileDialog::Path() const
{
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : files.front();
}

QString FileDialog::NameBoxText() const
{
    const QLineEdit* box = NameBox(*this);
    return box ? box->text() : QString::fromStdString(m_filter.Name());
}

void FileDialog::SetNameBoxText(const QString& text)
{
    if (QLineEdit* box = NameBox(*this))
        box->setText(text);
    else
        selectFile(text);
}

void FileDialog::accept()
{
    // Qt's dialog would hand back "*.bin" as the name of a file to create.
    const QString name = NameBoxText();
    if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?')))
        return;
    QFileDialog::accept();
}

void FileDialog::TypePicked(const QString& label)
{
    const int number = static_cast<int>(nameFilters().indexOf(label)) + 1;
    // A save dialog has already put the type's suffix in place of the name's last one; the name
    // before its first "." is still the user's, which is all the renaming keeps.
    m_filter.PickType(number, NameBoxText().toStdString());
    SetNameBoxText(QString::fromStdString(m_filter.Name()));
}

} // namespace torvane
