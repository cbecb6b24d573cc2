#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "editing/organise/row_filter.h"
#include "editing/organise/service_sort.h"
#include "editing/session/channel_menu.h"
#include "editing/session/navigator_commands.h"
#include "link/serial_settings.h"
#include "schema/project_config.h"
#include "util/backup_store.h"
#include "util/user_prompts.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QUndoStack;

namespace torvane {

class ChannelTreeModel;
class Document;
class EditSession;
class NavigatorView;
class PresetPrompts;
class ServiceListModel;
class ServiceFilterBox;
class ServiceListView;
class SwitchBar;
class TreeItem;
class WidgetPrompts;
class WindowDialogs;

// The commands of the main menu and the toolbar.
enum class WindowCommand {
    Open, Save, SaveAs, Close, Exit, Undo, Redo, Find, Switch, Upload, Download, DownloadFile, SerialPort, About,
    ToolbarOpen, ToolbarSave, ApplyOrder, ImportCsv, ImportEnigma2, Compare, RestoreBackup, BackupSettings,
    SortByName, SortByServiceId, SortByType, SortByTp, SortDescending, SortSelectedOnly, SetForSelected,
    FindDuplicates, FilterList,
};

// The editor's one window: the navigator on the left, the switch bar and the service list on the
// right, the main menu, the toolbar and the status bar. It binds the widgets to the open document
// and its edit commands; every edit runs as one undo step, every message and question goes
// through the prompts.
class MainWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    static constexpr int kNavigatorWidth = 200;
    static constexpr int kSwitchBarHeight = 30;

    // Without prompts and dialogs the window makes its widget ones; tests pass scripted ones (not
    // owned).
    explicit MainWindow(ProjectConfig config, UserPrompts* prompts = nullptr, WindowDialogs* dialogs = nullptr,
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // At start-up, once the window is shown: the project type (typeOverride answers "Project
    // Select" and replaces what config.ini says), then script.ini or the template questions.
    // False when "Project Select" was cancelled: the window has then closed, writing nothing.
    bool LoadConfiguration(std::optional<ProjectType> typeOverride = std::nullopt);
    // Opens a file as Open does after its file dialog (the save prompt first); chunk answers the
    // chunk question of a flash image. True when a database was opened.
    bool OpenPath(const std::string& path, std::optional<ChunkChoice> chunk = std::nullopt);

    Document& GetDocument() { return *m_document; }
    EditSession& Session() { return *m_session; }
    const ProjectConfig& Config() const { return m_config; }
    QAction* Action(WindowCommand command) const;
    NavigatorView* Navigator() const { return m_navigator; }
    ServiceListView* List() const { return m_list; }
    SwitchBar* Switches() const { return m_switchBar; }
    ServiceFilterBox* FilterBox() const { return m_filterBox; }
    QSplitter* Splitter() const { return m_splitter; }
    QUndoStack* UndoStack() const { return m_undoStack; }
    QMenu* RecentFilesMenu() const { return m_recentMenu; }
    // The status bar's note of the open database's counts.
    QString CountsText() const;

    // The service list's context menu for a right click (pos in the list's viewport), as shown.
    std::unique_ptr<QMenu> ChannelMenu(bool onRow);
    // Runs a command of the service list as its menu item, key or double click would.
    void RunChannelCommand(ChannelCommand command);
    // Runs a command of the navigator's context menu on the selected item.
    void RunNavigatorCommand(NavigatorCommand command);
    // The selected rows of the list moved before row destination, as one step.
    void MoveSelectedRows(int destination);
    // Edit → "Sort": the list shown, or with "Selected Rows Only" the selected rows, by key, as
    // one step.
    void SortList(SortKey key);
    // Edit → "Set for Selected...": its dialog on the selected rows, then one step.
    void SetForSelected();
    // Edit → "Find Duplicates": the repeated services selected, their count in the status bar.
    void FindDuplicates();

public slots:
    void Open();
    void Save();
    void SaveAs();
    void CloseFile();
    // The commands between lists (main_window_lists.cpp).
    void ApplyOrderFrom();
    void ImportCsv();
    void ImportEnigma2();
    void CompareWith();
    void Find();
    void FindNext();
    void SwitchChannel();
    void Upload();
    void Download();
    void DownloadFile();
    void SerialPort();
    void About();
    // The backups (main_window_backups.cpp): File → "Restore from Backup…" on the open file, and
    // Setting → "Backups…".
    void RestoreFromBackup();
    void BackupSettingsCommand();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    // Save As of an "Enigma2 Settings (folder)": the list written as a settings folder.
    void ExportEnigma2(const std::string& folder);
    // The Edit menu's commands for organising the list, also added to the list's context menu.
    void BuildOrganiseMenu(QMenu* edit);
    void AddOrganiseActions(QMenu* menu);
    // The filter box's text applied to the rows shown (after every change of the list too).
    void ApplyRowFilter();
    void BuildToolBar();
    void BuildStatusBar();
    void BuildPanes();
    void ConnectViews();
    void RestoreSettings();
    void SaveSettings() const;

    // Runs one edit of the document as one undo step labelled text.
    void RunEdit(const QString& text, const std::function<void()>& edit);
    // The same for an edit that is carried out whole or not at all (it answers false).
    void RunWholeEdit(const QString& text, const std::function<bool()>& edit);
    // After a command: the views show the core's selection, the menus, title and status bar
    // follow the document.
    void AfterCommand();
    void UpdateState();
    void UpdateTitle();
    void UpdateRecentFiles();
    void RememberFile(const std::string& path);
    // A Recent Files entry: opened, or when its file is gone said so and dropped.
    void OpenRecentFile(const QString& file);
    void ShowTreeSelection();
    void OnTreeItemSelected(TreeItem* item);
    void OnListRowSelected(int row);
    void OnListKey(ListKey key);
    void OnListContextMenu(const QPoint& pos, bool onRow);
    // The undo stack follows the session's history, emptied when a file was opened or closed.
    void ResetHistory();
    void NoteSaved(bool saved);
    // After a save refused at the cut question: the status bar says that nothing was saved.
    void NoteRefusedCut();
    // The backup store the window's saves keep their copies in, as settings have it.
    void UseBackupSettings(const BackupSettings& settings);

    ProjectConfig m_config;
    std::unique_ptr<WidgetPrompts> m_widgetPrompts;  // the window's own prompts, when it made them
    std::unique_ptr<PresetPrompts> m_prompts;
    std::unique_ptr<WindowDialogs> m_ownDialogs;
    WindowDialogs* m_dialogs;
    std::unique_ptr<Document> m_document;
    std::unique_ptr<EditSession> m_session;
    SerialSettings m_serialSettings;
    std::unique_ptr<BackupStore> m_backups;
    std::string m_imagePath;   // the flash image last opened, uploaded into or downloaded from
    QString m_titleName;       // what the title shows after "Torvane - "

    QUndoStack* m_undoStack;
    ChannelTreeModel* m_treeModel = nullptr;
    ServiceListModel* m_listModel = nullptr;
    QSplitter* m_splitter = nullptr;
    NavigatorView* m_navigator = nullptr;
    SwitchBar* m_switchBar = nullptr;
    ServiceListView* m_list = nullptr;
    ServiceFilterBox* m_filterBox = nullptr;
    std::unique_ptr<RowFilter> m_rowFilter;
    QMenu* m_sortMenu = nullptr;
    QMenu* m_recentMenu = nullptr;
    QLabel* m_counts = nullptr;
    std::vector<std::pair<Qt::Key, QLabel*>> m_lockIndicators;
    std::vector<std::pair<WindowCommand, QAction*>> m_actions;
    bool m_syncing = false;  // the views are being set from the core
    bool m_ending = false;   // closing without asking or writing anything
};

} // namespace torvane
