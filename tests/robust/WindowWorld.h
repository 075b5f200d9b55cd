#pragma once
// A world with the real main window on the headless toolkit: the fixture's store, the widget,
// process, dialog and clipboard services (dialogs answered from a script), and the window, which
// tells when a scan or a bulk run has ended and freed itself.

#include "robust/RobustFixture.h"

#include "platform/ClipboardServices.h"
#include "platform/ProcessServices.h"
#include "platform/headless/HeadlessWidgets.h"
#include "platform/shell/ScriptedDialogs.h"
#include "platform/shell/ScriptedPrivilege.h"
#include "ui/main/UntMain.h"

namespace robust {

class TWatchedMain : public TFrmMain {
public:
    testsupport::TDoneSignal scanGone;
    testsupport::TDoneSignal runGone;
    int scanFinishedCount = 0;
    int backupFinishedCount = 0;
    TBackupRunState finalState;

    void scanFinished(bool terminated, std::int64_t foundResults) override;
    void backupFinished(const TBackupRunState& state) override;

    // A file row and its stream rows as a scan reports them.
    void addRows(const std::vector<TStreamRow>& rows);
    TTreeNode* row(const std::wstring& column2);
    // Column2 of every stream row (of the checked ones), and Column1 of every file row, in tree order.
    std::vector<std::wstring> streamPaths(bool checkedOnly = false);
    std::vector<std::wstring> filePaths();

protected:
    TScanFileSystem* createScanThread() override;
    TBackupADS* createBackupThread() override;
};

class TWindowWorld : public TWorld {
public:
    explicit TWindowWorld(bool filled = true);
    ~TWindowWorld();

    plat::headless::THeadlessWidgets widgets;
    plat::TRecordingProcess process;
    plat::TScriptedPrivilege privilege;
    plat::TScriptedDialogs dialogs;
    plat::TRecordingClipboard clipboard;
    std::vector<std::wstring> unscripted; // dialogs the script did not answer
    std::unique_ptr<TWatchedMain> window;

    // Runs a command on the UI thread, as a click does.
    void click(void (TFrmMain::*handler)());
    // The task dialogs shown: instruction | content.
    std::vector<std::wstring> shownDialogs() const;
};

} // namespace robust
