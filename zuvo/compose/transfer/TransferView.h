#pragma once

#include <string>

// What the send and receive runs show: their window's texts and progress, a
// notice for the main window's pop-up, and the end of the run. Called on any
// thread, so the window queues each call to its own.
class TransferView {
public:
    virtual ~TransferView() = default;
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void ShowStage(const std::string& text) = 0;
    virtual void ShowFile(const std::string& text) = 0;
    virtual void ShowProgress(int percent) = 0;
    // A notice for the main window's pop-up.
    virtual void Notice(const std::string& text) = 0;
    // The run is over: the dialog ends.
    virtual void End() = 0;
};
