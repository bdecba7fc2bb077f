#pragma once
// A graphics context whose platform services this product never uses answer
// "nothing": no dialogs, menus, text entry, paths, clipboard or web pages.
// Window layers and the headless context derive from it and supply only the
// window, presenting and bitmap loading.
#include "graphics/DrawContext.h"

namespace torvik {

class IDrawContextQuiet : public IDrawContext {
public:
    using IDrawContext::IDrawContext;

    void EndTextEntry() override {}
    int ShowMessage(const char* /*text*/, const char* /*caption*/, int /*type*/) override {
        return 0;
    }
    IPopupMenu* RunPopupMenu(IPopupMenu* /*menu*/, const Rect& /*rect*/) override {
        return nullptr;
    }
    void OpenTextEntry(IControl* /*control*/, const TextStyle& /*style*/, const Rect& /*rect*/,
                       const char* /*text*/, IParamRecord* /*param*/) override {}
    void HostExecutablePath(std::string& out) override { out.clear(); }
    void PluginModulePath(std::string& out) override { out.clear(); }
    void UserDesktopPath(std::string& out) override { out.clear(); }
    void AppDataPath(std::string& out, bool /*systemWide*/) override { out.clear(); }
    void SandboxAppDataPath(std::string& out) override { AppDataPath(out, false); }
    void AskForFile(std::string& out, int /*action*/, std::string& /*directory*/,
                    const char* /*extensions*/) override {
        out.clear();
    }
    bool AskForColour(Colour& /*colour*/, const char* /*prompt*/) override { return false; }
    bool OpenWebAddress(const char* /*address*/, const char* /*title*/, const char* /*confirmText*/,
                        const char* /*errorText*/) override {
        return false;
    }
    bool ClipboardText(std::string& out) override {
        out.clear();
        return false;
    }
    void PlatformHook() override {}
};

} // namespace torvik
