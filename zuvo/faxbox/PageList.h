#pragma once
// PageList: the pages of one fax image file as image handles, as the main
// window's document and the compose window's page editor keep them.
//
// It holds up to 100 pages, the current one, that page's display size (the
// display height rule) and colours, and the image-file record that opening
// filled and saving passes back to the image library. Only 1-bit and 24-bit
// pages are accepted. It neither asks nor tells: its owner shows the
// messages that its results name.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pictra/Pictra.h"

class PageList {
public:
    static constexpr int32_t kMaxPages = 100;

    enum class LoadResult {
        Loaded,
        OpenFailed,              // the image library's text says why
        NotTwoToneOrTrueColour,  // a page of another depth
    };
    enum class WriteResult {
        Written,
        TooManyPages,  // the file holds more pages than the list
        Failed,        // the image library's text says why
    };

    PageList() = default;
    PageList(const PageList&) = delete;
    PageList& operator=(const PageList&) = delete;

    // Frees everything, then opens `path`: the first 100 pages, page 0
    // current. A failure leaves the list empty; the image library's last
    // error text still says why an open failed.
    LoadResult Load(const std::string& path);
    // Frees every page and the record: path "", page count -1, current page
    // -1, size 0 x 0.
    void Clear();

    int32_t GetPageCount() const { return pageCount_; }
    int32_t GetCurrentPage() const { return currentPage_; }
    // The current page's handle; a null handle when there is none.
    const ImageHandle& GetCurrentPageDib() const;
    // Page i (0 <= i < page count); a null handle otherwise.
    const ImageHandle& GetPageDib(int32_t i) const;
    // The record that opening filled; null while nothing is open.
    const ImgFileInfo* GetImageInfo() const { return fileInfo_ ? &*fileInfo_ : nullptr; }
    const std::string& GetPathName() const { return path_; }
    // Display size of the current page: width, and the height doubled when
    // it is smaller than the width; 0 x 0 without a page.
    int32_t GetDisplayWidth() const { return displayWidth_; }
    int32_t GetDisplayHeight() const { return displayHeight_; }
    // The current page's colours (0x00RRGGBB), empty for a page without a
    // colour table.
    const std::vector<uint32_t>& GetPalette() const { return palette_; }

    // All 100 slots, the pages first; for the image library's multi-page save.
    std::span<const ImageHandle> GetPages() const { return pages_; }

    // Makes page i current when 0 <= i < page count; false when refused or
    // when the page is too large to show (then it is freed).
    bool SetCurrentPage(int32_t i);
    // Frees the current page and stores `page` in its place, then rebuilds
    // its display data. A null page is never stored: nothing changes, true.
    // False when the page is too large to show (then it is freed).
    bool ReplacePageDib(ImageHandle page);

    // Writes the pages back into their file with the record that opening
    // filled: one page as a single image, more as one multi-page file. A
    // file of more pages than the list holds is never written.
    WriteResult WriteBack() const;

private:
    // Display size and colours of page i; false (and the page freed) for a
    // page without a positive size.
    bool buildDisplayData(int32_t i);

    std::array<ImageHandle, kMaxPages> pages_{};
    std::string path_;
    int32_t pageCount_ = -1;
    int32_t displayWidth_ = 0;
    int32_t displayHeight_ = 0;
    std::vector<uint32_t> palette_;
    std::optional<ImgFileInfo> fileInfo_;
    int32_t currentPage_ = -1;
};
