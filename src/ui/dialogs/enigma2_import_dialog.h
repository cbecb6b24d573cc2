#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QTableWidget;

namespace torvane {

class Enigma2ImportPreview;

// The preview of "Import Enigma2 Settings": one row per service of the folder's satellites with
// what happens to it (added, updated, skipped and why, refused with the program dialog's
// message, no room), its satellite, TP, service ID and favourite group; the tick that merges
// instead of replacing; the counts, how many fit, the bouquets' groups and what the folder held
// that is left out. OK applies, Cancel changes nothing.
class Enigma2ImportDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Enigma2ImportDialog)

public:
    Enigma2ImportDialog(Enigma2ImportPreview& preview, const QString& source, QWidget* parent);

    QTableWidget* Table() const { return m_table; }
    QCheckBox* MergeBox() const { return m_merge; }
    QLabel* SummaryLabel() const { return m_summary; }

private:
    void Fill();

    Enigma2ImportPreview& m_preview;
    QCheckBox* m_merge;
    QTableWidget* m_table;
    QLabel* m_summary;
};

} // namespace torvane
