#pragma once
// What the file-manager form of the setup list asks of the instrument screen
// that opened it: the screen's own list of stored files, its soft-key page
// and the two file operations Enter may run.
#include "files/setup_entry.h"

class IFileListScreen {
  public:
    // The soft-key pages on which Enter acts on the highlighted file.
    static constexpr int kPageClose = 45;
    static constexpr int kPageDelete = 46;

    virtual ~IFileListScreen() = default;
    // The first entry of the screen's file list; null when it is empty.
    virtual ISetupEntry* GetFirstFileEntry() = 0;
    virtual int GetSoftKeyPage() const = 0;
    // The key-code operation; TRUE while the list is the screen's popup.
    virtual bool OnKeyCode(int key) = 0;
    // The file operation on the highlighted file.
    virtual bool DeleteTraceFiles(int key) = 0;
};
