// PageList: opening a fax image file into page handles, the display data of
// the current page, and writing the pages back.
#include "faxbox/PageList.h"

#include "faxbox/DibHeader.h"

namespace {

const ImageHandle kNoPage;

bool acceptedBitCount(const ImageHandle& page)
{
    const uint16_t bits = GetDibBitCount(page);
    return bits == 1 || bits == 24;
}

} // namespace

const ImageHandle& PageList::GetCurrentPageDib() const
{
    return GetPageDib(currentPage_);
}

const ImageHandle& PageList::GetPageDib(int32_t i) const
{
    if (i < 0 || i >= pageCount_)
        return kNoPage;
    return pages_[static_cast<std::size_t>(i)];
}

bool PageList::SetCurrentPage(int32_t i)
{
    if (i < 0 || i >= pageCount_)
        return false;
    currentPage_ = i;
    return buildDisplayData(i);
}

bool PageList::ReplacePageDib(ImageHandle page)
{
    if (page.isNull() || currentPage_ < 0 || currentPage_ >= pageCount_)
        return true;
    pages_[static_cast<std::size_t>(currentPage_)] = std::move(page);
    return buildDisplayData(currentPage_);
}

void PageList::Clear()
{
    for (ImageHandle& page : pages_)
        page.reset();
    fileInfo_.reset();
    path_.clear();
    pageCount_ = -1;
    currentPage_ = -1;
    displayWidth_ = displayHeight_ = 0;
    palette_.clear();
}

bool PageList::buildDisplayData(int32_t i)
{
    ImageHandle& page = pages_[static_cast<std::size_t>(i)];
    const auto dib = DibBytes(page);
    const int32_t width = GetDibWidth(dib);
    const int32_t height = GetDibHeight(dib);
    palette_.clear();
    if (width <= 0 || height <= 0) {
        page.reset();
        displayWidth_ = displayHeight_ = 0;
        return false;
    }
    displayWidth_ = width;
    displayHeight_ = height < width ? 2 * height : height;
    palette_ = GetDibColours(dib);
    return true;
}

PageList::LoadResult PageList::Load(const std::string& path)
{
    Clear();
    fileInfo_.emplace();
    const int32_t loaded = PtxOpenImageFile(path, &*fileInfo_, pages_);
    if (loaded < 0) {
        // Keeps the library's text for the caller: Clear calls none of it.
        Clear();
        return LoadResult::OpenFailed;
    }
    for (int32_t i = 0; i < loaded; ++i) {
        if (!acceptedBitCount(pages_[static_cast<std::size_t>(i)])) {
            Clear();
            return LoadResult::NotTwoToneOrTrueColour;
        }
    }
    path_ = path;
    pageCount_ = loaded;
    if (loaded > 0) {
        currentPage_ = 0;
        buildDisplayData(0);
    }
    return LoadResult::Loaded;
}

PageList::WriteResult PageList::WriteBack() const
{
    if (pageCount_ <= 0 || !fileInfo_)
        return WriteResult::Failed;
    if (pageCount_ == 1)
        return PtxSaveImageToFile(pages_[0], path_, *fileInfo_) == 1 ? WriteResult::Written : WriteResult::Failed;
    if (fileInfo_->pages > kMaxPages)
        return WriteResult::TooManyPages;
    ImgFileInfo record = *fileInfo_;
    record.pages = pageCount_;
    return PtxSaveMultiImageToFile(pages_, path_, record) == 1 ? WriteResult::Written : WriteResult::Failed;
}
