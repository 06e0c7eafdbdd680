// CInstallerDlg: the installer's main dialog (template 102).
//
// It shows a configuration loaded before it starts (config/install_config.h)
// and never changes it. At start it lists the pack's catalogues in the
// language box (the one that answers "ok" for the system language
// preselected, else "English"), translates itself with section "Main", shows
// the logo and the caption ("Title") given with SetLook, lists the host
// applications found in the registry and proposes an installation path
// (inside the first host's plug-in folder, else under Program Files).
//
// Before the installation: picking a host row replaces the path, Browse runs
// the folder chooser, a language change re-translates the dialog, Exit and
// Escape end it. Install (or Enter) swaps Install/Exit for the progress bar
// and Cancel, disables the controls and runs InstallWorker on a second
// thread; a 50 ms timer moves the progress bar and, when the worker has
// ended, ends the dialog and shows the catalogue's "complete" text (or the
// worker's error) with the product name as caption. While the installation
// runs, Escape, the close box, Cancel and Enter do nothing.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "installer/install_worker.h"
#include "platform/kernel_handles.h"
#include "platform/win_controls.h"
#include "platform/win_dialog.h"
#include "ui/bevel_line.h"
#include "ui/bitmap_view.h"
#include "ui/fade_button.h"

class CLanguageCatalog;
class TPackFile;
struct InstallConfiguration;

class CInstallerDlg : public CDialog {
public:
    static constexpr UINT_PTR kProgressTimer = 1;
    static constexpr UINT kProgressPeriod = 50;  // ms

    CInstallerDlg(TPackFile& pack, CLanguageCatalog& catalog, const InstallConfiguration& config);
    ~CInstallerDlg() override;

    const std::string& InstallationPath() const { return installationPath_; }
    // The caption and the bytes of "logo.bmp" (empty for no logo), as
    // LoadConfiguration found them.
    void SetLook(std::string title, std::vector<uint8_t> logo) {
        title_ = std::move(title);
        logoBytes_ = std::move(logo);
    }
    // A folder asked for on the command line (/D=): proposed instead of the
    // host's or Program Files' one.
    void SetRequestedFolder(const std::string& folder) { requestedFolder_ = folder; }
    // Where the installation's lines go (/LOG=).
    void SetLog(InstallLogFunction log) { log_ = std::move(log); }
    // After the dialog: whether an installation ran, and whether it succeeded.
    bool Started() const { return started_; }
    bool Installed() const { return started_ && job_.outcome.succeeded; }
    bool IsInstalling() const { return installing_; }

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& exchange) override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(int id, int notifyCode, HWND control) override;
    LRESULT OnNotify(int id, NMHDR& header) override;
    void OnTimer(UINT_PTR id) override;

private:
    void AddLanguages();
    void SetUpApplicationsList();
    void ShowLook();
    void FillApplicationsList();
    void ChoosePath();
    void OnBrowse();
    void OnLanguageChanged();
    void OnApplicationChanged(const NMLISTVIEW& notice);
    void StartInstallation();
    void FinishInstallation();
    void PaintIcon();

    TPackFile& pack_;
    CLanguageCatalog& catalog_;
    const InstallConfiguration& config_;
    std::string title_ = kDefaultTitle;
    std::vector<uint8_t> logoBytes_;

    CListCtrl applications_;
    CFadeButton exitButton_;
    CComboBox languages_;
    CBitmapView logo_;
    CFadeButton installButton_;
    CFadeButton cancelButton_;
    CFadeButton browseButton_;
    CBevelLine titleLabel_{true};
    CBevelLine noticeLabel_{true};
    CProgressCtrl progress_;
    std::string installationPath_;
    std::string requestedFolder_;
    InstallLogFunction log_;
    HICON largeIcon_;

    UniqueHandle completion_;
    UniqueHandle worker_;
    InstallRun run_;
    InstallJob job_;
    bool installing_ = false;
    bool started_ = false;
};
