// CPelno1Doc: opening a fax image file into page handles, the display data of
// a page, saving back, saving as, and the save prompt.
#include "faxbox/Pelno1Doc.h"

#include <filesystem>

#include "core/TextUtil.h"
#include "faxbox/DocumentTexts.h"
#include "jotter/Jotter.h"

namespace {

constexpr SaveAsType kSaveAsTypes[] = {
    {"BMP", PtxFormat::Bmp}, {"GIF", PtxFormat::Gif}, {"JPG", PtxFormat::Jpeg}, {"PNG", PtxFormat::Png},
    {"ICO", PtxFormat::Ico}, {"TIF", PtxFormat::Tiff}, {"TGA", PtxFormat::Tga}, {"PCX", PtxFormat::Pcx},
    {"JP2", PtxFormat::J2k}, {"PNM", PtxFormat::Pnm}, {"RAS", PtxFormat::Ras},
};

} // namespace

std::span<const SaveAsType> SaveAsTypes()
{
    return kSaveAsTypes;
}

ImgFileInfo SaveAsRecord(const SaveAsType& type, int32_t pages)
{
    ImgFileInfo record;
    record.format = type.format;
    record.encodeOption = type.format == PtxFormat::Tiff ? PtxTiffCompression::PackBits : 0;
    record.quality = type.format == PtxFormat::Jpeg || type.format == PtxFormat::J2k ? 55 : 0;
    record.pages = pages;
    return record;
}

std::string WithExtension(const std::string& path, const std::string& extension)
{
    const std::string suffix = "." + extension;
    if (path.size() >= suffix.size() && EqualsNoCase(std::string_view(path).substr(path.size() - suffix.size()), suffix))
        return path;
    return path + suffix;
}

// ------------------------------------------------------------ state

void CPelno1Doc::SetCurrentPage(int32_t i)
{
    if (i >= 0 && i < pages_.GetPageCount())
        checkShown(pages_.SetCurrentPage(i));
}

void CPelno1Doc::ReplacePageDib(ImageHandle page)
{
    checkShown(pages_.ReplacePageDib(std::move(page)));
}

void CPelno1Doc::clear()
{
    pages_.Clear();
    modified_ = false;
}

void CPelno1Doc::checkShown(bool shown) const
{
    if (!shown)
        inform(DocumentText::kImageTooLarge);
}

void CPelno1Doc::inform(const std::string& text) const
{
    cpLog(kLogNotice, "CPelno1Doc: %s", text.c_str());
    if (prompts_)
        prompts_->Inform(text);
}

void CPelno1Doc::updateViews() const
{
    if (view_)
        view_->OnDocumentUpdate();
}

// ------------------------------------------------------------ open and reset

int CPelno1Doc::OnOpenDocument(const std::string& path)
{
    if (!SaveModified())
        return 0;
    clear();
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        updateViews();
        return 1;
    }
    switch (pages_.Load(path)) {
    case PageList::LoadResult::OpenFailed: {
        const std::string message = PtxGetLastErrorInfo();
        inform(message);
        updateViews();
        return 0;
    }
    case PageList::LoadResult::NotTwoToneOrTrueColour:
        inform(DocumentText::kNotTwoToneOrTrueColour);
        updateViews();
        return 0;
    case PageList::LoadResult::Loaded: checkShown(GetPageCount() <= 0 || !GetCurrentPageDib().isNull()); break;
    }
    modified_ = false;
    updateViews();
    return 1;
}

bool CPelno1Doc::Reset()
{
    if (!SaveModified())
        return false;
    clear();
    updateViews();
    return true;
}

// ------------------------------------------------------------ saving

void CPelno1Doc::takeViewerPage()
{
    if (!view_ || view_->GetWorkPage().isNull())
        return;
    ReplacePageDib(PtxCopyHandle(view_->GetWorkPage()));
}

bool CPelno1Doc::writeBack(std::string& message)
{
    message.clear();
    switch (pages_.WriteBack()) {
    case PageList::WriteResult::Written: return true;
    case PageList::WriteResult::TooManyPages: message = DocumentText::kTooManyPages; return false;
    case PageList::WriteResult::Failed: return false;
    }
    return false;
}

bool CPelno1Doc::OnFileSave()
{
    if (GetPageCount() <= 0)
        return false;
    takeViewerPage();
    std::string message;
    const bool written = writeBack(message);
    if (!message.empty()) {
        inform(message);
        return false;
    }
    if (written) {
        modified_ = false;
    } else {
        cpLog(kLogFailure, "CPelno1Doc: saving <%s> failed: %s", GetPathName().c_str(), PtxGetLastErrorInfo());
        inform(DocumentText::kSaveFailedReadOnly);
    }
    if (view_)
        view_->ResetTools();
    return written;
}

bool CPelno1Doc::SaveModified()
{
    if (!modified_ || GetPageCount() <= 0)
        return true;
    const DocumentPrompts::Answer answer =
        prompts_ ? prompts_->AskYesNoCancel(DocumentText::kSaveModified) : DocumentPrompts::Answer::Cancel;
    if (answer == DocumentPrompts::Answer::No)
        return true;
    if (answer == DocumentPrompts::Answer::Cancel)
        return false;
    takeViewerPage();
    std::string message;
    if (writeBack(message)) {
        modified_ = false;
        return true;
    }
    inform(message.empty() ? DocumentText::kSaveFailed : message);
    return false;
}

bool CPelno1Doc::OnFileSaveAs()
{
    const int32_t pageCount = GetPageCount();
    if (pageCount <= 0 || !prompts_)
        return false;
    const auto chosen = prompts_->ChooseSavePath(DocumentText::kSaveAsFilter);
    if (!chosen || chosen->path.empty())
        return false;
    const auto types = SaveAsTypes();
    if (chosen->filterIndex < 0 || static_cast<std::size_t>(chosen->filterIndex) >= types.size())
        return false;
    const SaveAsType& type = types[static_cast<std::size_t>(chosen->filterIndex)];
    const ImgFileInfo record = SaveAsRecord(type, pageCount);
    takeViewerPage();
    const std::string target = WithExtension(chosen->path, type.extension);
    const int32_t written = pageCount == 1 ? PtxSaveImageToFile(pages_.GetPageDib(0), target, record)
                                           : PtxSaveMultiImageToFile(pages_.GetPages(), target, record);
    if (written != 1)
        inform(PtxGetLastErrorInfo());
    return written == 1;
}
