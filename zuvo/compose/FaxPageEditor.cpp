// FaxPageEditor: the page list with its working and undo pages, cropping,
// undo, loading and saving back, and the question before edits are dropped.
#include "compose/FaxPageEditor.h"

#include <algorithm>

#include "compose/PageCount.h"
#include "faxbox/DibHeader.h"
#include "faxbox/DocumentTexts.h"
#include "jotter/Jotter.h"

namespace {

bool sameBytes(const ImageHandle& a, const ImageHandle& b)
{
    return std::ranges::equal(DibBytes(a), DibBytes(b));
}

} // namespace

void FaxPageEditor::inform(const std::string& text) const
{
    cpLog(kLogNotice, "FaxPageEditor: %s", text.c_str());
    if (prompts_)
        prompts_->Inform(text);
}

// ------------------------------------------------------------ the page list

void FaxPageEditor::SetCurrentPage(int32_t i)
{
    if (i >= 0 && i < GetPageCount() && !pages_.SetCurrentPage(i))
        inform(DocumentText::kImageTooLarge);
}

void FaxPageEditor::ReplacePageDib(ImageHandle page)
{
    if (!pages_.ReplacePageDib(std::move(page)))
        inform(DocumentText::kImageTooLarge);
}

void FaxPageEditor::SetModifiedFlag(bool modified)
{
    modified_ = modified;
    if (modified) {
        workChanged_ = true;
    } else {
        changedPages_.reset();
        workChanged_ = undoChanged_ = false;
    }
}

void FaxPageEditor::ResetPages()
{
    pages_.Clear();
    SetModifiedFlag(false);
    ReleaseTools();
}

// ------------------------------------------------------------ the page shown

void FaxPageEditor::ResetToolStates()
{
    stamp_.image.reset();
    stamp_.rect = {};
    stamp_.pending = stamp_.drawn = false;
    textTool_ = false;
    cropMode_ = false;
    cropRect_ = {};
}

void FaxPageEditor::ReleaseTools()
{
    workPage_.reset();
    undoPage_.reset();
    stamp_.base.reset();
    ResetToolStates();
}

void FaxPageEditor::ShowCurrentPage()
{
    undoPage_ = PtxCopyHandle(GetCurrentPageDib());
    workPage_ = PtxCopyHandle(undoPage_);
    const int32_t current = GetCurrentPage();
    workChanged_ = undoChanged_ = current >= 0 && changedPages_.test(static_cast<std::size_t>(current));
}

void FaxPageEditor::storeWorkPage()
{
    const int32_t current = GetCurrentPage();
    if (workPage_.isNull() || current < 0)
        return;
    ReplacePageDib(PtxCopyHandle(workPage_));
    changedPages_.set(static_cast<std::size_t>(current), workChanged_);
}

bool FaxPageEditor::GoToPage(int32_t i)
{
    if (i < 0 || i >= GetPageCount())
        return false;
    storeWorkPage();
    SetCurrentPage(i);
    ReleaseTools();
    ShowCurrentPage();
    return true;
}

// ------------------------------------------------------------ tools

void FaxPageEditor::markEdited()
{
    modified_ = true;
    workChanged_ = true;
}

bool FaxPageEditor::ToggleCrop()
{
    cropRect_ = {};
    cropMode_ = !cropMode_;
    markEdited();
    return cropMode_;
}

bool FaxPageEditor::Crop()
{
    if (workPage_.isNull() || cropRect_.IsEmpty()) {
        cropRect_ = {};
        return false;
    }
    // The rectangle was drawn over the page as shown; a page shown at double
    // height has half as many rows.
    const int factor = DisplayHeightFactor(workPage_.width(), workPage_.height());
    const auto left = static_cast<int32_t>(cropRect_.left);
    const auto right = static_cast<int32_t>(cropRect_.Right());
    const auto top = static_cast<int32_t>(cropRect_.top / factor);
    const auto bottom = static_cast<int32_t>(cropRect_.Bottom() / factor);
    cropRect_ = {};
    ImageHandle cut = PtxImgCrop(workPage_, left, top, right, bottom);
    if (cut.isNull()) {
        inform(PtxGetLastErrorInfo());
        return false;
    }
    workPage_ = std::move(cut);
    cropMode_ = false;
    markEdited();
    return true;
}

void FaxPageEditor::EndStamp()
{
    stamp_.pending = stamp_.drawn = false;
    stamp_.rect = {};
    stamp_.image.reset();
}

void FaxPageEditor::Undo()
{
    if (stamp_.pending || textTool_)
        EndStamp();
    if (cropMode_)
        cropRect_ = {};
    workPage_ = PtxCopyHandle(undoPage_);
    workChanged_ = undoChanged_;
    // Other pages changed since the last load or save keep the flag set.
    std::bitset<kMaxPages> others = changedPages_;
    if (GetCurrentPage() >= 0)
        others.reset(static_cast<std::size_t>(GetCurrentPage()));
    modified_ = workChanged_ || others.any();
}

// ------------------------------------------------------------ files

int FaxPageEditor::LoadFile(const std::string& path)
{
    if (SaveIfModified() == 0)
        return 0;
    ResetPages();
    switch (pages_.Load(path)) {
    case PageList::LoadResult::OpenFailed: inform(PtxGetLastErrorInfo()); return 0;
    case PageList::LoadResult::NotTwoToneOrTrueColour: inform(DocumentText::kNotTwoToneOrTrueColour); return 0;
    case PageList::LoadResult::Loaded: break;
    }
    if (GetPageCount() > 0 && GetCurrentPageDib().isNull())
        inform(DocumentText::kImageTooLarge);
    SetModifiedFlag(false);
    ReleaseTools();
    ShowCurrentPage();
    return 1;
}

void FaxPageEditor::markSaved()
{
    changedPages_.reset();
    modified_ = false;
    workChanged_ = false;
    // Undo after a save goes back to a page that the file no longer holds,
    // unless nothing was edited since the page was shown.
    undoChanged_ = !sameBytes(undoPage_, workPage_);
}

FaxPageEditor::SaveResult FaxPageEditor::writeBack()
{
    const ImgFileInfo* info = pages_.GetImageInfo();
    cpLog(kLogTrace, "save file :encode=[%d] type[%d]", info ? static_cast<int>(info->encodeOption) : 0,
          info ? static_cast<int>(info->format) : 0);
    storeWorkPage();
    switch (pages_.WriteBack()) {
    case PageList::WriteResult::Written: markSaved(); return SaveResult::Saved;
    case PageList::WriteResult::TooManyPages: return SaveResult::TooManyPages;
    case PageList::WriteResult::Failed:
        cpLog(kLogFailure, "FaxPageEditor: saving <%s> failed: %s", GetPathName().c_str(), PtxGetLastErrorInfo());
        return SaveResult::Failed;
    }
    return SaveResult::Failed;
}

FaxPageEditor::SaveResult FaxPageEditor::SaveRoutine()
{
    const SaveResult result = writeBack();
    if (result == SaveResult::TooManyPages) {
        inform(DocumentText::kTooManyPages);
        return result;
    }
    if (result == SaveResult::Failed)
        inform(FaxViewText::kSaveFailedReadOnly);
    ResetToolStates();
    return result;
}

bool FaxPageEditor::Save()
{
    if (workPage_.isNull())
        return true;
    EndStamp();
    if (cropMode_)
        cropRect_ = {};
    if (!modified_)
        return true;
    return SaveRoutine() == SaveResult::Saved;
}

int FaxPageEditor::SaveIfModified()
{
    if (!modified_ || GetPageCount() <= 0)
        return 1;
    const DocumentPrompts::Answer answer =
        prompts_ ? prompts_->AskYesNoCancel(DocumentText::kSaveModified) : DocumentPrompts::Answer::Cancel;
    if (answer == DocumentPrompts::Answer::No)
        return 1;
    if (answer == DocumentPrompts::Answer::Cancel)
        return 0;
    const SaveResult result = writeBack();
    if (result == SaveResult::TooManyPages) {
        inform(DocumentText::kTooManyPages);
        return 0;
    }
    if (result == SaveResult::Failed)
        inform(DocumentText::kSaveFailed);
    ResetToolStates();
    return result == SaveResult::Saved ? 1 : 0;
}

int FaxPageEditor::CountImagePages(const std::string& path)
{
    return ::CountImagePages(path);
}

void FaxPageEditor::SetRecipient(const std::string& text, const std::string& name)
{
    recipientText_ = text;
    contactName_ = name;
}
