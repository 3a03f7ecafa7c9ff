#pragma once
// CPelno1Doc: the main window's document, the pages of one fax image file.
//
// The document holds up to 100 pages of one file as image handles, the
// current page, its display size (the display height rule) and colours, and
// the file's image-file record, which saving passes back to the image
// library. Only 1-bit and 24-bit pages are accepted. It shows its messages
// and asks its questions through DocumentPrompts, and reaches the page
// viewer through DocumentView; both are set by the window side. Everything
// here runs on the GUI thread.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "faxbox/PageList.h"
#include "pictra/Pictra.h"

// What the document asks of the person; the window side answers through the
// program's prompter.
class DocumentPrompts {
public:
    enum class Answer { Yes, No, Cancel };
    struct SavePath {
        std::string path;
        int filterIndex = 0;  // 0-based place of the chosen entry of the filter
    };

    virtual ~DocumentPrompts() = default;
    // A modal information box with an OK button.
    virtual void Inform(const std::string& text) = 0;
    // Yes, No and Cancel; closing the box is Cancel.
    virtual Answer AskYesNoCancel(const std::string& text) = 0;
    // A save dialog with an overwrite prompt over a filter written
    // "Label|patterns|...||"; nothing when cancelled.
    virtual std::optional<SavePath> ChooseSavePath(const std::string& filter) = 0;
};

// The page viewer as the document sees it.
class DocumentView {
public:
    virtual ~DocumentView() = default;
    // The page the viewer shows, as edited there (null when none); the
    // document copies it into its current slot before it saves.
    virtual const ImageHandle& GetWorkPage() const = 0;
    // After a save: the viewer's editing tools back to their rest state.
    virtual void ResetTools() = 0;
    // The document changed (opened, reset): show its current page again.
    virtual void OnDocumentUpdate() = 0;
};

// A file type of the save-as filter.
struct SaveAsType {
    const char* extension;  // "BMP", "TIF" ...
    uint16_t format;        // the image library's format number
};
// The save-as filter's types in filter order (BMP 1, GIF 2, JPG 3, PNG 4,
// ICO 5, TIF 6, TGA 7, PCX 8, JP2 11, PNM 15, RAS 16).
std::span<const SaveAsType> SaveAsTypes();
// The record for saving as `type`: its format, encode option PackBits for
// TIFF and 0 otherwise, quality 55 for JPEG and JPEG 2000, `pages` pages.
ImgFileInfo SaveAsRecord(const SaveAsType& type, int32_t pages);
// `path` with "." and the extension added, unless it ends with them already
// (in any case).
std::string WithExtension(const std::string& path, const std::string& extension);

class CPelno1Doc {
public:
    static constexpr int32_t kMaxPages = PageList::kMaxPages;

    CPelno1Doc() = default;
    CPelno1Doc(const CPelno1Doc&) = delete;
    CPelno1Doc& operator=(const CPelno1Doc&) = delete;

    void SetPrompts(DocumentPrompts* prompts) { prompts_ = prompts; }
    void SetView(DocumentView* view) { view_ = view; }

    // Opens a fax image file: 1 on success, 0 on failure (message shown).
    // Unsaved changes are offered for saving first; Cancel keeps the
    // document and gives 0. A path that does not exist leaves the document
    // empty and gives 1. A file that cannot be read, or a page that is not
    // 1-bit or 24-bit, leaves the document empty.
    int OnOpenDocument(const std::string& path);
    // Frees every page and the record: path "", page count -1, current page
    // -1, size 0 x 0; then the viewer shows the empty document. Unsaved
    // changes are offered for saving first; false (and nothing changed) when
    // the person cancels or the save fails.
    bool Reset();

    int32_t GetPageCount() const { return pages_.GetPageCount(); }
    int32_t GetCurrentPage() const { return pages_.GetCurrentPage(); }
    // The current page's handle; a null handle when there is none.
    const ImageHandle& GetCurrentPageDib() const { return pages_.GetCurrentPageDib(); }
    // Page i (0 <= i < page count); a null handle otherwise.
    const ImageHandle& GetPageDib(int32_t i) const { return pages_.GetPageDib(i); }
    // The record that opening filled; null while nothing is open.
    const ImgFileInfo* GetImageInfo() const { return pages_.GetImageInfo(); }
    std::string GetPathName() const { return pages_.GetPathName(); }
    // Display size of the current page: width, and the height doubled when
    // it is smaller than the width; 0 x 0 without a page.
    int32_t GetDisplayWidth() const { return pages_.GetDisplayWidth(); }
    int32_t GetDisplayHeight() const { return pages_.GetDisplayHeight(); }
    // The current page's colours (0x00RRGGBB), empty for a page without a
    // colour table.
    const std::vector<uint32_t>& GetPalette() const { return pages_.GetPalette(); }

    // Makes page i current when 0 <= i < page count.
    void SetCurrentPage(int32_t i);
    // Frees the current page and stores `page` in its place, then rebuilds
    // its display data. A null page is never stored: nothing changes.
    void ReplacePageDib(ImageHandle page);

    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }

    // File save: the viewer's page into the document, then the pages back
    // into their file with the record that opening filled. Only a save that
    // succeeded clears the modified flag. Gives whether the file was written.
    bool OnFileSave();
    // File save as: a chosen file of a chosen type. Gives whether it was written.
    bool OnFileSaveAs();
    // The save prompt of a document with unsaved changes: true when the
    // document may go (no changes, No, or Yes and a save that succeeded).
    bool SaveModified();

private:
    // Frees pages, record and display data without asking or telling.
    void clear();
    // "图像太大" when the list refused a page as too large to show.
    void checkShown(bool shown) const;
    // The viewer's page, copied into the current slot.
    void takeViewerPage();
    // Writes the pages back to their file; false with the reason in `message`
    // ("" when the library's text is to be used).
    bool writeBack(std::string& message);
    void inform(const std::string& text) const;
    void updateViews() const;

    PageList pages_;
    bool modified_ = false;

    DocumentPrompts* prompts_ = nullptr;
    DocumentView* view_ = nullptr;
};
