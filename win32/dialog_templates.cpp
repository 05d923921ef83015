#include "win32/dialog_templates.h"

#include "shell/message_catalogue.h"

namespace kvd::win32 {
namespace {

const DLGTEMPLATE* FindTemplate(int templateId) {
    HMODULE module = GetModuleHandleW(nullptr);
    const WORD language = g_userLangId == kLangIdJapanese
                              ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
                              : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    HRSRC resource = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(templateId), language);
    if (resource == nullptr)
        resource = FindResourceW(module, MAKEINTRESOURCEW(templateId), RT_DIALOG);
    if (resource == nullptr) return nullptr;
    HGLOBAL loaded = LoadResource(module, resource);
    return loaded != nullptr ? static_cast<const DLGTEMPLATE*>(LockResource(loaded)) : nullptr;
}

}  // namespace

HWND CreateDialogInLanguage(int templateId, HWND owner, DLGPROC procedure, LPARAM parameter) {
    const DLGTEMPLATE* dialog = FindTemplate(templateId);
    if (dialog == nullptr) return nullptr;
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialog, owner, procedure,
                                      parameter);
}

INT_PTR RunDialogInLanguage(int templateId, HWND owner, DLGPROC procedure, LPARAM parameter) {
    const DLGTEMPLATE* dialog = FindTemplate(templateId);
    if (dialog == nullptr) return -1;
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog, owner, procedure, parameter);
}

}  // namespace kvd::win32
