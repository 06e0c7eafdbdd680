// CFolderChooserDlg: the modal dialog behind the installer's "Browse ..."
// button (template 131). It shows the shell namespace in a tree
// (CShellTree) and an edit with the resulting installation path. Whatever
// folder the user picks, the product's folder name is appended to it
// ("C:\Program Files" + "Foo" gives "C:\Program Files\Foo"), so the user
// chooses where the product folder goes. A path typed into the edit is
// returned as typed, unchecked.
//
// At start the dialog is translated with catalogue section "Browse" (key
// "0" the caption, "1" and "2" the buttons) and the tree selects the
// parent of the initial path when it exists.
//
// DoModal returns IDOK when the user pressed OK (then Path() is the result)
// and IDCANCEL otherwise. User-interface thread, with COM initialised.
#pragma once

#include <string>

#include "platform/win_dialog.h"
#include "ui/fade_button.h"
#include "ui/language_catalog.h"
#include "ui/shell_tree.h"

class CFolderChooserDlg : public CDialog {
public:
    CFolderChooserDlg(CLanguageCatalog& catalog, const std::string& initialPath,
                      const std::string& folderName, HWND owner = nullptr);

    const std::string& Path() const { return path_; }
    const std::string& FolderName() const { return folderName_; }

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& exchange) override;
    LRESULT OnNotify(int id, NMHDR& header) override;

private:
    CLanguageCatalog& catalog_;
    std::string path_;
    std::string folderName_;
    CFadeButton okButton_;
    CFadeButton cancelButton_;
    CShellTree tree_;
};

// The part of path before its last backslash; empty without a backslash.
std::string ParentOfPath(const std::string& path);
// folder, a backslash unless it ends with one, then name.
std::string AppendFolderName(std::string folder, const std::string& name);
