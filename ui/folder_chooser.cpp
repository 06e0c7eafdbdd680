#include "ui/folder_chooser.h"

#include "resources/resource_ids.h"

CFolderChooserDlg::CFolderChooserDlg(CLanguageCatalog& catalog, const std::string& initialPath,
                                     const std::string& folderName, HWND owner)
    : CDialog(IDD_FOLDER_CHOOSER, owner),
      catalog_(catalog),
      path_(initialPath),
      folderName_(folderName) {}

void CFolderChooserDlg::DoDataExchange(CDataExchange& exchange) {
    exchange.Control(IDOK, okButton_);
    exchange.Control(IDCANCEL, cancelButton_);
    exchange.Text(IDC_CHOOSER_PATH, path_);
}

bool CFolderChooserDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    catalog_.TranslateDialog("Browse", *this);
    tree_.Attach(GetDlgItem(IDC_CHOOSER_TREE));
    tree_.SetSystemImageList();
    tree_.Populate();
    tree_.SelectPath(ParentOfPath(path_));
    UpdateData(false);
    return true;
}

LRESULT CFolderChooserDlg::OnNotify(int id, NMHDR& header) {
    if (id != IDC_CHOOSER_TREE) return CDialog::OnNotify(id, header);
    // The A and W notices carry the item fields this handler reads at the
    // same places; only their texts differ, and no handler reads those.
    const auto& notice = reinterpret_cast<const NMTREEVIEW&>(header);
    switch (header.code) {
        case TVN_ITEMEXPANDINGA:
        case TVN_ITEMEXPANDINGW:
            return tree_.OnItemExpanding(notice);
        case TVN_SELCHANGEDA:
        case TVN_SELCHANGEDW:
            if (tree_.OnSelChanged(notice, path_)) {
                path_ = AppendFolderName(path_, folderName_);
                UpdateData(false);
            }
            return 0;
        case TVN_DELETEITEMA:
        case TVN_DELETEITEMW:
            tree_.OnDeleteItem(notice);
            return 0;
        case NM_RCLICK:
            return tree_.OnRightClick();
        default:
            return 0;
    }
}

std::string ParentOfPath(const std::string& path) {
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string AppendFolderName(std::string folder, const std::string& name) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder + name;
}
