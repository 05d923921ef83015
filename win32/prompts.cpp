#include "win32/prompts.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <vector>

#include "transfer/default_paths.h"
#include "win32/wide_text.h"

namespace kvd::win32 {
namespace {

const wchar_t kCaption[] = L"Message";

// A task dialog with `buttons` beside the common ones; returns the chosen id. The cause
// stands under the text, where it is seen without another click.
int RunTaskDialog(HWND owner, const std::string& text, const std::string& detail,
                  const std::vector<TASKDIALOG_BUTTON>& buttons, int defaultButton,
                  TASKDIALOG_COMMON_BUTTON_FLAGS common) {
    const std::wstring content = Wide(detail.empty() ? text : text + "\n\n" + detail);
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.dwCommonButtons = common;
    config.pszWindowTitle = kCaption;
    config.pszContent = content.c_str();
    config.cButtons = static_cast<UINT>(buttons.size());
    config.pButtons = buttons.empty() ? nullptr : buttons.data();
    config.nDefaultButton = defaultButton;
    int chosen = IDCANCEL;
    if (FAILED(TaskDialogIndirect(&config, &chosen, nullptr, nullptr))) {
        // Without task dialogs (an old common-controls library): a plain box, OK only.
        MessageBoxW(owner, content.c_str(), kCaption, MB_OK);
        return IDOK;
    }
    return chosen;
}

// The filter entries in the chooser's form.
struct FilterSpec {
    std::vector<std::wstring> texts;  // description, pattern, description, pattern...
    std::vector<COMDLG_FILTERSPEC> entries;
};

FilterSpec MakeFilter(const std::string& catalogueFilter) {
    FilterSpec spec;
    for (const ChooserFilterEntry& entry : SplitChooserFilter(catalogueFilter)) {
        spec.texts.push_back(Wide(entry.description));
        spec.texts.push_back(Wide(entry.pattern));
    }
    for (size_t k = 0; k + 1 < spec.texts.size(); k += 2)
        spec.entries.push_back({spec.texts[k].c_str(), spec.texts[k + 1].c_str()});
    return spec;
}

// One run of the system's open dialog; none when the user cancelled or it failed.
std::optional<std::string> RunOpenDialog(HWND owner, DWORD options, const std::wstring& title,
                                         const FilterSpec* filter, const std::string& startFolder) {
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&dialog))))
        return std::nullopt;
    DWORD current = 0;
    dialog->GetOptions(&current);
    dialog->SetOptions(current | options | FOS_FORCEFILESYSTEM);
    if (!title.empty()) dialog->SetTitle(title.c_str());
    if (filter != nullptr && !filter->entries.empty())
        dialog->SetFileTypes(static_cast<UINT>(filter->entries.size()), filter->entries.data());
    if (!startFolder.empty()) {
        IShellItem* folder = nullptr;
        if (SUCCEEDED(SHCreateItemFromParsingName(Wide(startFolder).c_str(), nullptr,
                                                  IID_PPV_ARGS(&folder)))) {
            dialog->SetFolder(folder);
            folder->Release();
        }
    }
    std::optional<std::string> chosen;
    if (SUCCEEDED(dialog->Show(owner))) {
        IShellItem* item = nullptr;
        if (SUCCEEDED(dialog->GetResult(&item))) {
            wchar_t* path = nullptr;
            if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
                chosen = Utf8(path);
                CoTaskMemFree(path);
            }
            item->Release();
        }
    }
    dialog->Release();
    return chosen;
}

}  // namespace

void ShowMessageBox(HWND owner, const std::string& text, const std::string& detail) {
    RunTaskDialog(owner, text, detail, {}, IDOK, TDCBF_OK_BUTTON);
}

bool ShowMessageBoxOffering(HWND owner, const std::string& text, const std::string& detail,
                            const std::string& offer) {
    const std::wstring offerText = Wide(offer);
    const std::vector<TASKDIALOG_BUTTON> buttons{{kOfferButtonId, offerText.c_str()}};
    return RunTaskDialog(owner, text, detail, buttons, IDOK, TDCBF_OK_BUTTON) == kOfferButtonId;
}

bool AskQuestion(HWND owner, const std::string& text, const std::string& yes,
                 const std::string& no) {
    const std::wstring yesText = Wide(yes);
    const std::wstring noText = Wide(no);
    // "No" answers IDCANCEL, as Escape and the close box do: the safe choice.
    const std::vector<TASKDIALOG_BUTTON> buttons{{kYesButtonId, yesText.c_str()},
                                                 {IDCANCEL, noText.c_str()}};
    return RunTaskDialog(owner, text, {}, buttons, IDCANCEL, 0) == kYesButtonId;
}

void OpenFolderWindow(const std::string& folder) {
    ShellExecuteW(nullptr, L"open", Wide(folder).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::optional<std::string> ChooseFolderDialog(HWND owner, const std::string& title,
                                              const std::string& startFolder) {
    return RunOpenDialog(owner, FOS_PICKFOLDERS, Wide(title), nullptr, startFolder);
}

std::optional<std::string> ChooseFileDialog(HWND owner, const std::string& catalogueFilter,
                                            const std::string& startFolder) {
    const FilterSpec filter = MakeFilter(catalogueFilter);
    return RunOpenDialog(owner, FOS_FILEMUSTEXIST, {}, &filter, startFolder);
}

}  // namespace kvd::win32
