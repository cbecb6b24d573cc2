#pragma once

#include <QDialog>

class QCheckBox;
class QListWidget;

namespace torvane {

class ApplyOrderForm;

// "Apply Order": the summary of the form (the reference, the counts, then the services only in the
// reference), the two options, and OK and Cancel. The options go into the form as they are ticked.
class ApplyOrderDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ApplyOrderDialog)

public:
    ApplyOrderDialog(ApplyOrderForm& form, QWidget* parent);

    QListWidget* Summary() const { return m_summary; }
    QCheckBox* FavoritesBox() const { return m_favorites; }
    QCheckBox* NamesBox() const { return m_names; }

private:
    QListWidget* m_summary;
    QCheckBox* m_favorites;
    QCheckBox* m_names;
};

} // namespace torvane
