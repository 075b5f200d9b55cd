// The three message dialogs: information, error and a yes/no question, on the platform's task dialog.

#include "system/UntKorvaneLib.h"

#include "platform/DialogServices.h"

using namespace plat;

namespace {

// A fresh description of one kind of message, owned by the active window or, when none of the
// program's windows is active, by the application window. Escape and the close button end it too.
TTaskDialogConfig messageDialog(const wchar_t* windowTitle, TTaskDialogIcon icon,
                                const std::wstring& instruction, const std::wstring& content) {
    TDialogServices& services = dialogs();
    TTaskDialogConfig config;
    config.parent = services.GetActiveWindow();
    if (config.parent == nullptr) {
        config.parent = services.applicationWindow();
    }
    config.flags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.windowTitle = windowTitle;
    config.mainIcon = icon;
    config.mainInstruction = instruction;
    config.content = content;
    return config;
}

} // namespace

// The reports name no button: the task dialog then shows its single OK button as the default.
void showInformation(const std::wstring& instruction, const std::wstring& content) {
    dialogs().TaskDialogIndirect(
        messageDialog(L"Information", TTaskDialogIcon::information, instruction, content));
}

void showError(const std::wstring& instruction, const std::wstring& content) {
    dialogs().TaskDialogIndirect(messageDialog(L"Error", TTaskDialogIcon::error, instruction, content));
}

bool askQuestion(const std::wstring& instruction, const std::wstring& content, const std::wstring& footer) {
    TTaskDialogConfig config = messageDialog(L"Question", TTaskDialogIcon::question, instruction, content);
    config.commonButtons = TDCBF_YES_BUTTON | TDCBF_NO_BUTTON;
    if (!footer.empty()) {
        config.footer = footer;
        config.footerIcon = TTaskDialogIcon::warning;
    }
    // No, Escape, the close button and a dialog that could not be shown all mean "not Yes".
    return dialogs().TaskDialogIndirect(config) == IDYES;
}
