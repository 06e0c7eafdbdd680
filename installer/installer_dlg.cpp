#include "installer/installer_dlg.h"

#include <cstdio>
#include <string>
#include <vector>

#include "config/install_config.h"
#include "foundation/text_case.h"
#include "installer/host_detect.h"
#include "installer/initial_path.h"
#include "installer/installed_product.h"
#include "installer/proposed_path.h"
#include "installer/vendor_hosts.h"
#include "pack/pack_file.h"
#include "platform/win_dc.h"
#include "platform/win_text.h"
#include "resources/resource_ids.h"
#include "ui/folder_chooser.h"
#include "ui/language_catalog.h"
// After the SDK headers.
#include <shlobj.h>

namespace {

constexpr const char* kMainSection = "Main";

// The system language as the catalogues' [Info] keys write it: lowercase
// hexadecimal without leading zeros (0x0409 gives "409").
std::string SystemLanguageKey() {
    char key[16];
    std::snprintf(key, sizeof key, "%x", static_cast<unsigned>(GetSystemDefaultLangID()));
    return key;
}

}  // namespace

CInstallerDlg::CInstallerDlg(TPackFile& pack, CLanguageCatalog& catalog,
                             const InstallConfiguration& config)
    : CDialog(IDD_INSTALLER),
      pack_(pack),
      catalog_(catalog),
      config_(config),
      largeIcon_(LoadIcon(GetModuleHandle(nullptr), MAKEINTRESOURCE(IDI_SETUP_LARGE))) {}

CInstallerDlg::~CInstallerDlg() {
    // The worker has set the completion event by now; let it leave.
    if (worker_) WaitForSingleObject(worker_.Get(), INFINITE);
}

void CInstallerDlg::DoDataExchange(CDataExchange& exchange) {
    exchange.Control(IDC_APPLICATIONS, applications_);
    exchange.Control(IDC_EXIT, exitButton_);
    exchange.Control(IDC_LANGUAGE, languages_);
    exchange.Control(IDC_LOGO, logo_);
    exchange.Control(IDC_INSTALL, installButton_);
    exchange.Control(IDCANCEL, cancelButton_);
    exchange.Control(IDC_BROWSE, browseButton_);
    exchange.Control(IDC_TITLE, titleLabel_);
    exchange.Control(IDC_NOTICE, noticeLabel_);
    exchange.Control(IDC_PROGRESS, progress_);
    exchange.Text(IDC_PATH, installationPath_);
}

// ---- Initialisation --------------------------------------------------------

bool CInstallerDlg::OnInitDialog() {
    // Auto-reset and signalled until an installation starts.
    completion_.Reset(CreateEventW(nullptr, FALSE, TRUE, nullptr));
    CDialog::OnInitDialog();

    HINSTANCE instance = GetModuleHandle(nullptr);
    SetIcon(static_cast<HICON>(LoadImage(instance, MAKEINTRESOURCE(IDI_SETUP_SMALL), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXSMICON),
                                          GetSystemMetrics(SM_CYSMICON), 0)),
            false);
    SetIcon(largeIcon_, true);

    AddLanguages();
    SetUpApplicationsList();
    catalog_.TranslateDialog(kMainSection, *this);
    ShowLook();
    FillApplicationsList();
    ChoosePath();
    UpdateData(false);

    const InstallSettings& settings = config_.settings;
    noticeLabel_.SetWindowText("  " + settings.noticeText);
    titleLabel_.SetWindowText(settings.productName + " ");
    return true;
}

void CInstallerDlg::AddLanguages() {
    catalog_.SetPack(&pack_);
    std::vector<std::string> entries;
    for (TPackEntry* entry = pack_.GetFirst(); entry; entry = pack_.GetNext()) {
        const std::string& name = entry->name;
        if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".clg") == 0)
            entries.push_back(name);
    }

    const std::string systemKey = SystemLanguageKey();
    std::string systemLanguage;
    int systemPosition = -1;
    int englishPosition = -1;
    for (const std::string& entry : entries) {
        const std::string language = entry.substr(0, entry.size() - 4);
        catalog_.AddLanguage(language, entry);
        const int position = languages_.AddString(language);
        catalog_.SelectLanguage(language);
        // When several catalogues claim the system language (or are called
        // English), the first one wins.
        if (systemPosition < 0 && catalog_.Lookup("Info", systemKey, "") == "ok") {
            systemLanguage = language;
            systemPosition = position;
        }
        if (englishPosition < 0 && EqualIgnoringCase(language, "English"))
            englishPosition = position;
    }
    if (entries.empty()) return;
    if (systemPosition >= 0) {
        catalog_.SelectLanguage(systemLanguage);
        languages_.SetCurSel(systemPosition);
    } else {
        catalog_.SelectLanguage("English");
        languages_.SetCurSel(englishPosition);
    }
}

void CInstallerDlg::SetUpApplicationsList() {
    applications_.InsertColumn(0, "Application", LVCFMT_LEFT, 135);
    applications_.InsertColumn(1, "Plug-in's folder", LVCFMT_LEFT, 400);
    applications_.SetExtendedStyle(LVS_EX_ONECLICKACTIVATE | LVS_EX_UNDERLINEHOT);
}

void CInstallerDlg::ShowLook() {
    if (!logoBytes_.empty())
        logo_.SetBitmap(logoBytes_.data(), logoBytes_.size());
    SetWindowText(title_);
}

void CInstallerDlg::FillApplicationsList() {
    const std::vector<DetectedHost> hosts = DetectHosts(config_);
    // Without a host the path falls back to Program Files: say so.
    CWindow(GetDlgItem(IDC_NO_HOST_NOTE)).ShowWindow(hosts.empty() ? SW_SHOW : SW_HIDE);
    for (size_t row = 0; row < hosts.size(); ++row) {
        const int item = applications_.InsertItem(static_cast<int>(row), hosts[row].displayName);
        applications_.SetItemText(item, 1, hosts[row].folder);
    }
}

void CInstallerDlg::ChoosePath() {
    if (!requestedFolder_.empty()) {
        installationPath_ = requestedFolder_;
        return;
    }
    // An upgrade goes where the installed version is.
    const InstalledProduct earlier = FindInstalledProduct(config_.settings);
    if (earlier.present && !earlier.folder.empty()) {
        installationPath_ = earlier.folder;
        return;
    }
    const std::string firstHost =
        applications_.GetItemCount() > 0 ? applications_.GetItemText(0, 1) : std::string();
    installationPath_ =
        ProposedInstallationPath(Handle(), firstHost, config_.settings.defaultFolder);
}

// ---- Before the installation --------------------------------------------------

bool CInstallerDlg::OnCommand(int id, int notifyCode, HWND control) {
    switch (id) {
        case IDC_INSTALL:
            if (notifyCode == BN_CLICKED) StartInstallation();
            return true;
        case IDC_BROWSE:
            if (notifyCode == BN_CLICKED) OnBrowse();
            return true;
        case IDC_EXIT:
            if (notifyCode == BN_CLICKED) EndDialog(IDCANCEL);
            return true;
        case IDC_LANGUAGE:
            if (notifyCode == CBN_SELCHANGE) OnLanguageChanged();
            return true;
        default:
            return CDialog::OnCommand(id, notifyCode, control);
    }
}

LRESULT CInstallerDlg::OnNotify(int id, NMHDR& header) {
    if (id == IDC_APPLICATIONS && header.code == LVN_ITEMCHANGED)
        OnApplicationChanged(reinterpret_cast<const NMLISTVIEW&>(header));
    return 0;
}

void CInstallerDlg::OnApplicationChanged(const NMLISTVIEW& notice) {
    if (!(notice.uNewState & LVIS_SELECTED) || notice.iItem < 0) return;
    UpdateData(true);
    installationPath_ = PathInHostFolder(applications_.GetItemText(notice.iItem, 1),
                                         config_.settings.defaultFolder);
    UpdateData(false);
}

void CInstallerDlg::OnBrowse() {
    UpdateData(true);
    CFolderChooserDlg chooser(catalog_, installationPath_, config_.settings.defaultProgramFolder,
                              Handle());
    if (chooser.DoModal() != IDOK) return;
    installationPath_ = chooser.Path();
    UpdateData(false);
}

void CInstallerDlg::OnLanguageChanged() {
    const int position = languages_.GetCurSel();
    catalog_.SelectLanguage(catalog_.GetLanguageName(position == CB_ERR ? -1 : position));
    catalog_.TranslateDialog(kMainSection, *this);
}

void CInstallerDlg::OnOK() {
    // Enter: the same as Install, and nothing while an installation runs.
    StartInstallation();
}

void CInstallerDlg::OnCancel() {
    // Escape ends the dialog only before an installation.
    if (!installing_) EndDialog(IDCANCEL);
}

// ---- The installation ------------------------------------------------------------

void CInstallerDlg::StartInstallation() {
    if (installing_) return;
    const std::string downgrade = DowngradeQuestion(config_.settings);
    if (!downgrade.empty() &&
        MessageBoxW(Handle(), Wide(downgrade).c_str(), Wide(config_.settings.productName).c_str(),
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    installing_ = true;

    installButton_.ShowWindow(SW_HIDE);
    exitButton_.ShowWindow(SW_HIDE);
    cancelButton_.ShowWindow(SW_SHOW);
    browseButton_.EnableWindow(false);
    CWindow(GetDlgItem(IDC_STATUS_READY)).ShowWindow(SW_HIDE);
    languages_.EnableWindow(false);
    applications_.EnableWindow(false);
    CWindow(GetDlgItem(IDC_PATH)).EnableWindow(false);
    CWindow(GetDlgItem(IDC_STATUS_RUNNING)).ShowWindow(SW_SHOW);
    progress_.ShowWindow(SW_SHOW);

    progress_.SetRange(0, 100);
    progress_.SetPos(0);
    UpdateData(true);
    run_.installationPath = installationPath_;

    ResetEvent(completion_.Get());
    job_.config = &config_;
    job_.run = &run_;
    job_.pack = &pack_;
    job_.completion = completion_.Get();
    job_.log = log_;
    started_ = true;
    worker_ = StartInstallWorker(job_);
    if (!worker_) {
        job_.outcome.succeeded = false;
        job_.outcome.message = "The installation could not be started. Nothing was installed.";
        SetEvent(completion_.Get());
    }
    SetTimer(kProgressTimer, kProgressPeriod);
}

void CInstallerDlg::OnTimer(UINT_PTR) {
    // The worker sets its last value before the completion event: asked in
    // this order, the bar shows that value before the final message.
    const bool finished = WaitForSingleObject(completion_.Get(), 0) == WAIT_OBJECT_0;
    const int value = run_.progressValue.load();
    if (progress_.GetPos() != value) progress_.SetPos(value);
    if (finished) FinishInstallation();
}

void CInstallerDlg::FinishInstallation() {
    KillTimer(kProgressTimer);
    EndDialog(IDOK);
    const InstallOutcome& outcome = job_.outcome;
    const std::string text =
        outcome.succeeded ? catalog_.Lookup(kMainSection, "complete", "") : outcome.message;
    MessageBoxW(Handle(), Wide(text).c_str(), Wide(config_.settings.productName).c_str(),
                MB_OK | (outcome.succeeded ? MB_ICONINFORMATION : MB_ICONERROR));
}

// ---- Painting --------------------------------------------------------------------

bool CInstallerDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_PAINT:
            if (!::IsIconic(Handle())) break;
            PaintIcon();
            result = 0;
            return true;
        case WM_QUERYDRAGICON:
            result = reinterpret_cast<LRESULT>(largeIcon_);
            return true;
        default:
            break;
    }
    return CDialog::HandleMessage(message, wParam, lParam, result);
}

void CInstallerDlg::PaintIcon() {
    CPaintDC dc(Handle());
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Handle()), 0);
    const RECT client = GetClientRect();
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc.Handle(), x, y, largeIcon_);
}
