#pragma once

#include <string>
#include <string_view>

#include <QDialog>

class QLineEdit;

namespace torvane {

// A small prompt for one number: a caption, a label, one edit, OK and Cancel. OK hands the text
// to the prompt's rule (Take); when the rule refuses it, it has said why and the edit gets the
// focus with its text selected.
class NumberPromptDialog : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NumberPromptDialog)

public:
    QLineEdit* Edit() const { return m_edit; }
    void accept() override;

protected:
    NumberPromptDialog(std::string_view caption, std::string_view label, const std::string& text, QWidget* parent);

    // True when text is taken as the answer.
    virtual bool Take(std::string_view text) = 0;

private:
    QLineEdit* m_edit = nullptr;
};

} // namespace torvane
