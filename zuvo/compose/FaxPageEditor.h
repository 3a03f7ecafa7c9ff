#pragma once
// FaxPageEditor: the compose window's page editor without widgets.
//
// It keeps the pages of one image file (the attachment being edited) in a
// page list, the working page (the copy of the current page that is shown
// and edited) and the undo page (what undo restores), the tools' state (the
// crop rectangle and mode, and the stamp fields and the text tool that the
// annotations use), and the modified flag. It loads the file, crops, undoes
// and writes the pages back into the same file in its own format, and asks
// before edits are dropped. Its messages and questions go through
// DocumentPrompts. The widget side (CFaxView) shows the working page, keeps
// the zoom and the cursors, and calls in here.
//
// The modified flag says whether the pages differ from the file: undo
// clears it only when no other page was changed since the last load or
// save, and only a save that succeeded clears it.

#include <bitset>
#include <cstdint>
#include <string>

#include "faxbox/PageGeometry.h"
#include "faxbox/PageList.h"
#include "faxbox/Pelno1Doc.h"
#include "pixmend/ImageMarkup.h"

namespace FaxViewText {
inline constexpr const char* kSaveFailedReadOnly = "保存失败, 请确定该文件不是只读文件后,关闭后重试!";
inline constexpr const char* kResampleFailed = "Error!";
inline constexpr const char* kCreateImageFailed = "创建图像句柄失败";
inline constexpr const char* kMarkupFailed = "标记失败";
inline constexpr const char* kNotBilevel = "原图像不是二值图像";
inline constexpr const char* kStampLogFailed = "日志文件操作失败!";
} // namespace FaxViewText

// A typed note as the text dialog hands it over.
struct TextNote {
    std::string text;         // UTF-8
    MarkupFont font;
    int32_t lineHeight = 0;   // pixels
};

// The stamp that the annotation tools move over the page.
struct PageStamp {
    ImageHandle base;   // the page that the stamp is pressed onto, never drawn
    ImageHandle image;  // the seal as opened, or the rendered text note
    PageRect rect;      // image coordinates; empty: the image at its own size
    bool pending = false;
    bool drawn = false;
};

class FaxPageEditor {
public:
    static constexpr int32_t kMaxPages = PageList::kMaxPages;

    // What a save of the pages came to.
    enum class SaveResult { Saved, TooManyPages, Failed };

    FaxPageEditor() = default;
    FaxPageEditor(const FaxPageEditor&) = delete;
    FaxPageEditor& operator=(const FaxPageEditor&) = delete;

    void SetPrompts(DocumentPrompts* prompts) { prompts_ = prompts; }

    // ---- the page list
    const PageList& Pages() const { return pages_; }
    int32_t GetPageCount() const { return pages_.GetPageCount(); }
    int32_t GetCurrentPage() const { return pages_.GetCurrentPage(); }
    const ImageHandle& GetCurrentPageDib() const { return pages_.GetCurrentPageDib(); }
    std::string GetPathName() const { return pages_.GetPathName(); }
    // Makes page i of the list current (0 <= i < page count); the working
    // page stays as it is.
    void SetCurrentPage(int32_t i);
    // Frees the current list page and stores `page` in its place.
    void ReplacePageDib(ImageHandle page);
    bool IsModified() const { return modified_; }
    // Marks the pages changed (or, with false, as the file holds them).
    void SetModifiedFlag(bool modified = true);
    // Frees every page and the record (path "", count -1, current -1) and
    // releases the tools, without asking.
    void ResetPages();

    // ---- the page shown
    const ImageHandle& GetWorkPage() const { return workPage_; }
    const ImageHandle& GetUndoPage() const { return undoPage_; }
    // Stores the working page into the list, makes page i current and shows
    // it; refused (false) when i is not a page of the list.
    bool GoToPage(int32_t i);
    // The undo page becomes a copy of the current list page and the working
    // page a copy of that.
    void ShowCurrentPage();
    // Working, undo and stamp pages freed; every tool off, rectangles empty.
    void ReleaseTools();
    // Every tool off and rectangles empty; the pages stay.
    void ResetToolStates();

    // ---- tools
    bool IsCropMode() const { return cropMode_; }
    // The crop rectangle in image coordinates (display coordinates at zoom
    // 1: a page shown at double height counts its rows twice).
    const PageRect& CropRect() const { return cropRect_; }
    void SetCropRect(const PageRect& rect) { cropRect_ = rect; }
    // Empties the crop rectangle, turns crop mode over and marks the pages
    // modified. Gives the new mode.
    bool ToggleCrop();
    // Cuts the working page to the crop rectangle (its top and bottom halved
    // for a page shown at double height); crop mode goes off. A failure
    // shows the image library's text and keeps the page. The crop rectangle
    // is empty afterwards either way. Gives whether the page was cut.
    bool Crop();
    // Undo: a pending stamp ends, the crop rectangle empties (crop mode
    // stays), and the working page becomes a copy of the undo page.
    void Undo();

    const PageStamp& Stamp() const { return stamp_; }
    PageStamp& Stamp() { return stamp_; }
    bool IsTextTool() const { return textTool_; }
    void SetTextTool(bool on) { textTool_ = on; }
    // A pending stamp ends: the stamp image freed, its rectangle emptied;
    // the stamped working page stays.
    void EndStamp();

    // ---- annotations (FaxPageAnnotations.cpp)
    // Stamps the stamp image onto a clean copy of the stamp base with its
    // top-left corner at (x, y), image coordinates (negative values become
    // 0), resampled to the stamp rectangle's size unless that is empty, and
    // squeezed to half its height at half the y on a page shown at double
    // height. The result becomes the working page; the stamp rectangle
    // covers it and the stamp is pending and drawn. 1 placed, 0 failed (the
    // reason shown, the working page kept).
    int PlaceStamp(int64_t x, int64_t y);
    // The text tool on or off; refused with "原图像不是二值图像" (false,
    // nothing changed) unless the working page has 1 bit per pixel.
    bool ToggleTextTool();
    // Renders the note into a white 1-bit image as wide as the text is drawn
    // in its font and as high as its line (at least the note's line height)
    // and places it at (x, y); the undo page becomes the page before the
    // note. False (the reason shown) when nothing was placed.
    bool StartTextNote(int64_t x, int64_t y, const TextNote& note);
    // Opens the seal image (through a private plain copy, the seal file
    // itself never changes) as the stamp image; the stamp base and the undo
    // page become copies of the working page. False (the reason shown) when
    // it cannot be opened.
    bool OpenSeal(const std::string& sealPath);
    // Presses the opened seal at its own size with its top-left corner at
    // (x, y), moved into the page where it would reach past an edge, marks
    // the pages modified and appends the press to the stamp log at
    // `logPath` (a failing log is shown; the seal stays). False when the
    // seal could not be placed.
    bool PressSeal(int64_t x, int64_t y, const std::string& logPath);
    // The seal file that OpenSeal opened.
    const std::string& SealPath() const { return sealPath_; }

    // ---- files
    // Loads `path` into the list and shows page 0: 1 loaded, 0 refused (the
    // reason shown). Unsaved changes are offered for saving first; Cancel,
    // or a save that failed, keeps the pages and gives 0.
    int LoadFile(const std::string& path);
    // The save command: a pending stamp ends (its page kept), the crop
    // rectangle empties, and the pages are saved when they are modified.
    // Gives false only when a save was needed and did not succeed.
    bool Save();
    // Writes the pages into their file: the working page into the list
    // first, then one page as a single image or all as one multi-page file
    // with the record that the load filled; a file of more than 100 pages
    // is refused. Each failure is shown; only success clears the modified
    // flag. The tools are reset afterwards unless the file was refused.
    SaveResult SaveRoutine();
    // Before the pages may go: 1 (not modified, No, or Yes and saved) or 0
    // (Cancel, or Yes and the save refused or failed).
    int SaveIfModified();
    // The pages of an image file, at most 100; 0 when it cannot be opened.
    static int CountImagePages(const std::string& path);

    // The recipient that the compose window hands over; kept, not used.
    void SetRecipient(const std::string& text, const std::string& name);
    const std::string& RecipientText() const { return recipientText_; }
    const std::string& ContactName() const { return contactName_; }

private:
    // The working page edited: the pages differ from the file.
    void markEdited();
    // The working page into the current list slot; whether it differs from
    // the file is remembered for that page.
    void storeWorkPage();
    // The pages as the file holds them now.
    void markSaved();
    // Writes the list; the outcome, with nothing shown.
    SaveResult writeBack();
    void inform(const std::string& text) const;
    // The stamp base and the undo page become copies of the working page.
    void startStamp();

    PageList pages_;
    ImageHandle workPage_;
    ImageHandle undoPage_;
    PageStamp stamp_;
    PageRect cropRect_;
    bool cropMode_ = false;
    bool textTool_ = false;
    std::string sealPath_;

    bool modified_ = false;
    // List pages that differ from the file, by index.
    std::bitset<kMaxPages> changedPages_;
    // Whether the working page and the undo page differ from the file.
    bool workChanged_ = false;
    bool undoChanged_ = false;

    std::string recipientText_;
    std::string contactName_;
    DocumentPrompts* prompts_ = nullptr;
};
