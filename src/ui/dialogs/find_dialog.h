#pragma once

#include "editing/session/service_finder.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace torvane {

// "FIND": the text under "Find:" and "Partial find", both empty each time it opens; "Next" (the
// default button) and "Cancel". Request() is what Find searches for after "Next".
class FindDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FindDialog)

public:
    explicit FindDialog(QWidget* parent);

    FindRequest Request() const;
    QLineEdit* TextEdit() const { return m_text; }
    QCheckBox* PartialBox() const { return m_partial; }

private:
    QLineEdit* m_text;
    QCheckBox* m_partial;
};

} // namespace torvane
