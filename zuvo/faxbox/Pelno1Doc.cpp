// CPelno1Doc: opening a fax image file into page handles, the display data of
// a page, saving back, saving as, and the save prompt.
#include "faxbox/Pelno1Doc.h"

#include <filesystem>

#include "core/TextUtil.h"
#include "faxbox/DibHeader.h"
#include "faxbox/DocumentTexts.h"
#include "jotter/Jotter.h"

namespace {

const ImageHandle kNoPage;

constexpr SaveAsType kSaveAsTypes[] = {
    {"BMP", PtxFormat::Bmp}, {"GIF", PtxFormat::Gif}, {"JPG", PtxFormat::Jpeg}, {"PNG", PtxFormat::Png},
    {"ICO", PtxFormat::Ico}, {"TIF", PtxFormat::Tiff}, {"TGA", PtxFormat::Tga}, {"PCX", PtxFormat::Pcx},
    {"JP2", PtxFormat::J2k}, {"PNM", PtxFormat::Pnm}, {"RAS", PtxFormat::Ras},
};

// The outcome of writing the pages back into their file.
enum class WriteBack { Written, TooManyPages, Failed };

bool acceptedBitCount(const ImageHandle& page)
{
    const uint16_t bits = GetDibBitCount(page);
    return bits == 1 || bits == 24;
}

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

const ImageHandle& CPelno1Doc::GetCurrentPageDib() const
{
    return GetPageDib(currentPage_);
}

const ImageHandle& CPelno1Doc::GetPageDib(int32_t i) const
{
    if (i < 0 || i >= pageCount_)
        return kNoPage;
    return pages_[static_cast<std::size_t>(i)];
}

void CPelno1Doc::SetCurrentPage(int32_t i)
{
    if (i < 0 || i >= pageCount_)
        return;
    currentPage_ = i;
    buildDisplayData(i);
}

void CPelno1Doc::ReplacePageDib(ImageHandle page)
{
    if (page.isNull() || currentPage_ < 0 || currentPage_ >= pageCount_)
        return;
    pages_[static_cast<std::size_t>(currentPage_)] = std::move(page);
    buildDisplayData(currentPage_);
}

void CPelno1Doc::clear()
{
    for (ImageHandle& page : pages_)
        page.reset();
    fileInfo_.reset();
    path_.clear();
    pageCount_ = -1;
    currentPage_ = -1;
    displayWidth_ = displayHeight_ = 0;
    palette_.clear();
    modified_ = false;
}

void CPelno1Doc::buildDisplayData(int32_t i)
{
    ImageHandle& page = pages_[static_cast<std::size_t>(i)];
    const auto dib = DibBytes(page);
    const int32_t width = GetDibWidth(dib);
    const int32_t height = GetDibHeight(dib);
    palette_.clear();
    if (width <= 0 || height <= 0) {
        page.reset();
        displayWidth_ = displayHeight_ = 0;
        inform(DocumentText::kImageTooLarge);
        return;
    }
    displayWidth_ = width;
    displayHeight_ = height < width ? 2 * height : height;
    const uint8_t* entry = GetDibColourTable(dib);
    const uint16_t colours = GetDibColourCount(dib);
    for (uint16_t c = 0; c < colours; ++c, entry += GetDibColourEntrySize(dib))
        palette_.push_back(uint32_t{entry[2]} << 16 | uint32_t{entry[1]} << 8 | entry[0]);
}

void CPelno1Doc::inform(const std::string& text) const
{
    cpLog(5, "CPelno1Doc: %s", text.c_str());
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
    fileInfo_.emplace();
    const int32_t loaded = PtxOpenImageFile(path, &*fileInfo_, pages_);
    if (loaded < 0) {
        const std::string message = PtxGetLastErrorInfo();
        clear();
        inform(message);
        updateViews();
        return 0;
    }
    for (int32_t i = 0; i < loaded; ++i) {
        if (!acceptedBitCount(pages_[static_cast<std::size_t>(i)])) {
            clear();
            inform(DocumentText::kNotTwoToneOrTrueColour);
            updateViews();
            return 0;
        }
    }
    path_ = path;
    pageCount_ = loaded;
    if (loaded > 0) {
        currentPage_ = 0;
        buildDisplayData(0);
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
    if (pageCount_ <= 0 || !fileInfo_)
        return false;
    if (pageCount_ == 1)
        return PtxSaveImageToFile(pages_[0], path_, *fileInfo_) == 1;
    if (fileInfo_->pages > kMaxPages) {
        message = DocumentText::kTooManyPages;
        return false;
    }
    ImgFileInfo record = *fileInfo_;
    record.pages = pageCount_;
    return PtxSaveMultiImageToFile(pages_, path_, record) == 1;
}

bool CPelno1Doc::OnFileSave()
{
    if (pageCount_ <= 0)
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
        cpLog(3, "CPelno1Doc: saving <%s> failed: %s", path_.c_str(), PtxGetLastErrorInfo());
        inform(DocumentText::kSaveFailedReadOnly);
    }
    if (view_)
        view_->ResetTools();
    return written;
}

bool CPelno1Doc::SaveModified()
{
    if (!modified_ || pageCount_ <= 0)
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
    if (pageCount_ <= 0 || !prompts_)
        return false;
    const auto chosen = prompts_->ChooseSavePath(DocumentText::kSaveAsFilter);
    if (!chosen || chosen->path.empty())
        return false;
    const auto types = SaveAsTypes();
    if (chosen->filterIndex < 0 || static_cast<std::size_t>(chosen->filterIndex) >= types.size())
        return false;
    const SaveAsType& type = types[static_cast<std::size_t>(chosen->filterIndex)];
    const ImgFileInfo record = SaveAsRecord(type, pageCount_);
    takeViewerPage();
    const std::string target = WithExtension(chosen->path, type.extension);
    const int32_t written = pageCount_ == 1 ? PtxSaveImageToFile(pages_[0], target, record)
                                            : PtxSaveMultiImageToFile(pages_, target, record);
    if (written != 1)
        inform(PtxGetLastErrorInfo());
    return written == 1;
}
