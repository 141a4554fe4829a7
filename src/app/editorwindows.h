#pragma once
// The editor's windows, made in the order the program has always made them and
// wired to each other: the dialogs belong to the main window, the programming
// window reaches the driver program through the link window. Nothing is shown.

#include "LnkCl.h"
#include "PrmsTree.h"
#include "Ustr.h"
#include "kUnit.h"
#include "mUnit.h"
#include "nUnit.h"
#include "tekchDialog.h"
#include "driverlink/bfsDM.h"

namespace rastrova::app {

struct EditorWindowSet {
    explicit EditorWindowSet(const store::ProgramPaths& paths)
        : mForm(paths, &nForm, &kForm, &typeDialog, &aUstr)
    {
        nForm.setParent(&mForm, nForm.windowFlags());
        kForm.setParent(&mForm, kForm.windowFlags());
        aUstr.setParent(&mForm, aUstr.windowFlags());
        typeDialog.setParent(&mForm, typeDialog.windowFlags());
        aUstr.setDriverLink(lnkClFrm.link());
    }
    // The dialogs leave the main window before it goes, so that each is deleted
    // once; the link to the driver program is closed first.
    ~EditorWindowSet()
    {
        lnkClFrm.link()->DisconnectFromDriver();
        aUstr.setDriverLink(nullptr);
        nForm.setParent(nullptr);
        kForm.setParent(nullptr);
        aUstr.setParent(nullptr);
        typeDialog.setParent(nullptr);
    }
    EditorWindowSet(const EditorWindowSet&) = delete;
    EditorWindowSet& operator=(const EditorWindowSet&) = delete;

    Tnform nForm;
    TkForm kForm;
    TAUstr aUstr;
    TVirelTypeDialog typeDialog;
    TmForm mForm;
    TTreeForm treeForm;
    TLnkClFrm lnkClFrm;
};

} // namespace rastrova::app
