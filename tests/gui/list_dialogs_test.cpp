// The commands between lists through the window: Save As CSV, "Apply Order from…" with its
// summary dialog, "Compare with…" with its dialog, and "Import CSV…" refusing a broken file.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <QUndoStack>

#include "exchange/csv_table.h"
#include "exchange/service_csv.h"
#include "screenshot.h"
#include "store/tree_item.h"
#include "ui/dialogs/apply_order_dialog.h"
#include "ui/dialogs/compare_dialog.h"
#include "window_fixture.h"

using namespace torvane;

namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

QStringList Lines(const QListWidget* list)
{
    QStringList lines;
    for (int row = 0; row < list->count(); ++row)
        lines << list->item(row)->text();
    return lines;
}

} // namespace

class ListDialogsTest final : public QObject {
    Q_OBJECT

private slots:
    void applyOrderCompareAndImport();
};

void ListDialogsTest::applyOrderCompareAndImport()
{
    test::WindowFixture fixture;
    QVERIFY(fixture.IsReady());
    QVERIFY(fixture.OpenDemo());
    MainWindow& window = *fixture.window;

    // Save As CSV writes the file and leaves the document as it was.
    const std::string csvPath = fixture.Path("list.csv");
    fixture.prompts.fileAnswers.push_back(csvPath);
    window.SaveAs();
    const std::string csv = ReadText(csvPath);
    QVERIFY(csv.starts_with(std::string(kUtf8Bom) + "Order,Satellite,TP,Service Name,"));
    QCOMPARE(fixture.Doc().ProductImagePath(), fixture.DemoPath());

    // The reference: the list backwards, its first service left out, one renamed under another
    // ID, one the list lacks.
    CsvTable table = ReadCsv(csv);
    std::vector<std::vector<std::string>> rows;
    for (const CsvRecord& record : table.records)
        rows.push_back(record.fields);
    const auto& header = rows.front();
    const auto column = [&](const std::string& caption) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), caption) - header.begin());
    };
    const std::size_t count = rows.size() - 1;
    const std::string firstName = rows[1][column("Service Name")];
    const std::string lastName = rows.back()[column("Service Name")];
    std::reverse(rows.begin() + 1, rows.end());
    rows.pop_back();
    rows[2][column("Service ID")] = "65001";
    std::vector<std::string> extra = rows[3];
    extra[column("Service ID")] = "65002";
    extra[column("Service Name")] = "Extra Channel";
    rows.push_back(extra);
    std::string reference(kUtf8Bom);
    for (const auto& row : rows)
        reference += CsvLine(row);
    const std::string referencePath = fixture.Path("reference.csv");
    WriteText(referencePath, reference);

    fixture.prompts.fileAnswers.push_back(referencePath);
    fixture.dialogs.applyOrderSteps.push_back([&](ApplyOrderForm& form) {
        ApplyOrderDialog dialog(form, nullptr);
        dialog.show();
        test::SaveScreenshot(dialog, QStringLiteral("apply_order_dialog.png"));
        const QString only = QString::fromStdString("    " + extra[1] + "  " + extra[2] + "  Extra Channel");
        const QStringList expected = {"Reference: reference.csv",
                                      QStringLiteral("Matched by service ID: %1").arg(count - 2),
                                      "Matched by name: 1",
                                      "Not in the reference: 1",
                                      "Only in the reference: 1",
                                      only};
        if (Lines(dialog.Summary()) != expected)
            return false;
        dialog.FavoritesBox()->click();
        return form.Options().copyFavorites && !form.Options().copyNames;
    });
    window.ApplyOrderFrom();
    QCOMPARE(fixture.dialogs.shown.back(), std::string("Apply Order"));
    QVERIFY(fixture.Doc().Store().IsModified());
    const TreeItem* all = fixture.Doc().Store().Tree().FindRoot(TreeKind::AllServices);
    const NodeStore& store = fixture.Doc().Store();
    const auto nameAt = [&](int position) {
        return store.ReadNamedText(NodeKind::Program, all->Info()->programs.At(position), "Service Name").value_or("");
    };
    QCOMPARE(nameAt(0), lastName);
    QCOMPARE(nameAt(static_cast<int>(count) - 1), firstName);  // not in the reference: last

    // Compare with the reference: the extra service, the one left out, and no other difference.
    fixture.prompts.fileAnswers.push_back(referencePath);
    window.CompareWith();
    QCOMPARE(fixture.prompts.questions.back(),
             std::string("Bin File(*.bin)|Default DB File With Order(*.df2)|Default DB File(*.ddf)|CSV File(*.csv)"));
    QCOMPARE(fixture.dialogs.comparisons.size(), std::size_t{1});
    CompareDialog compare(fixture.dialogs.comparisons.back(), nullptr);
    compare.show();
    test::SaveScreenshot(compare, QStringLiteral("compare_dialog.png"));
    QTreeWidget* groups = compare.Groups();
    QCOMPARE(groups->topLevelItemCount(), 3);
    QCOMPARE(groups->topLevelItem(0)->text(0), QStringLiteral("Only in A (1)"));
    QCOMPARE(groups->topLevelItem(1)->text(0), QStringLiteral("Only in B (1)"));
    QVERIFY(groups->topLevelItem(1)->child(0)->text(0).endsWith(QStringLiteral("65002  Extra Channel")));
    QCOMPARE(groups->topLevelItem(2)->text(0), QStringLiteral("In both, with differences (1)"));
    QVERIFY(groups->topLevelItem(2)->child(0)->text(0).contains(QStringLiteral("Service ID: ")));

    // A flash image as the other list: its chunk question names the list it is for.
    const std::string image = fixture.Path("other.bin");
    std::filesystem::copy_file(fixture.DemoPath(), image);
    const struct {
        void (MainWindow::*command)();
        std::string caption;
    } chunkQuestions[] = {{&MainWindow::ApplyOrderFrom, "Load database config: the reference \"other.bin\""},
                          {&MainWindow::CompareWith, "Load database config: the list to compare \"other.bin\""}};
    fixture.dialogs.applyOrderSteps.push_back([](ApplyOrderForm&) { return false; });
    for (const auto& [command, caption] : chunkQuestions) {
        fixture.prompts.fileAnswers.push_back(image);
        fixture.prompts.chunkAnswers.push_back(ChunkChoice{false, true});
        (window.*command)();
        QCOMPARE(fixture.prompts.chunkQuestions.back().caption, caption);
    }
    QCOMPARE(fixture.dialogs.shown, std::vector<std::string>({"Apply Order", "Compare", "Apply Order", "Compare"}));

    // A broken CSV: its lines reported, nothing changed, no step made.
    const int steps = window.findChild<QUndoStack*>()->count();
    table.records[1].fields.push_back("extra");
    std::string broken;
    for (const CsvRecord& record : table.records)
        broken += CsvLine(record.fields);
    WriteText(csvPath, broken);
    fixture.prompts.fileAnswers.push_back(csvPath);
    const std::size_t messages = fixture.prompts.messages.size();
    window.ImportCsv();
    QCOMPARE(fixture.prompts.questions.back(), std::string("CSV File(*.csv)"));
    QCOMPARE(fixture.prompts.messages.size(), messages + 1);
    QCOMPARE(fixture.prompts.messages.back(),
             "list.csv: nothing was changed.\nline 2: " + std::to_string(header.size() + 1)
                 + " fields where the header has " + std::to_string(header.size()));

    // A NUL in every name: the first 20 lines listed, then how many more.
    table.records[1].fields.pop_back();
    broken.clear();
    for (CsvRecord& record : table.records) {
        if (record.line > 1)
            record.fields[column("Service Name")] = std::string("R\0adio 325", 10);
        broken += CsvLine(record.fields);
    }
    WriteText(csvPath, broken);
    fixture.prompts.fileAnswers.push_back(csvPath);
    window.ImportCsv();
    const QStringList refusal = QString::fromStdString(fixture.prompts.messages.back()).split(QLatin1Char('\n'));
    QCOMPARE(refusal.size(), 22);
    QCOMPARE(refusal[1], QStringLiteral("line 2: \"Service Name\" holds the control character U+0000"));
    QCOMPARE(refusal[20], QStringLiteral("line 21: \"Service Name\" holds the control character U+0000"));
    QCOMPARE(refusal[21], QStringLiteral("and %1 more lines").arg(static_cast<qulonglong>(count - 20)));
    QCOMPARE(window.findChild<QUndoStack*>()->count(), steps);
}

QTEST_MAIN(ListDialogsTest)
#include "list_dialogs_test.moc"
