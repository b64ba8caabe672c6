// SPDX-License-Identifier: GPL-3.0-or-later
// One open project: its document, the file it belongs to, what that file looked like when
// last read or written, and whether the document holds changes the file does not. Every
// change to the outline goes through apply(), which hands back the command that takes it
// back, and every store of a node's text through storeNodeText(). Views hear of both
// through SessionObserver; none of this needs a widget.
#pragma once

#include "DomDocument.h"
#include "FileIO.h"
#include "OutlineCommand.h"
#include "ProjectSafety.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace penwick {

class SessionObserver {
public:
    virtual ~SessionObserver() = default;
    virtual void outlineAboutToChange(const OutlineEvent&) {}
    virtual void outlineChanged(const OutlineEvent&) {}
    // A new document took the place of the old one: every handle into the old one is gone.
    virtual void documentReplaced() {}
    virtual void modifiedChanged(bool) {}
};

class ProjectSession {
public:
    ProjectSession();
    ~ProjectSession();
    ProjectSession(const ProjectSession&) = delete;
    ProjectSession& operator=(const ProjectSession&) = delete;

    DomDocument& document() { return *m_doc; }
    const DomDocument& document() const { return *m_doc; }

    // The project file (file-system encoding); empty for a project never saved.
    const std::string& path() const { return m_path; }
    // Names the file the next save writes. The disk state stays that of the file last read
    // or written, so saving under another name never asks about a changed file.
    void setPath(std::string path) { m_path = std::move(path); }

    // Whether the document holds work the file does not.
    bool modified() const { return m_modified; }
    void setModified(bool modified);

    // Takes doc as the project; path is its file (empty: untitled). Remembers that file's
    // state on disk; the session is unmodified. Observers hear documentReplaced.
    void install(std::unique_ptr<DomDocument> doc, std::string path);
    // Reads a project file into a document of its own: the session is untouched. The
    // message names the file and the problem.
    static Status Load(const std::string& path, std::unique_ptr<DomDocument>& doc);

    // True when the file was changed by someone else since it was last read or written here.
    bool changedOnDisk() const;
    // Writes the document to path() atomically. Only a written file clears the modified
    // state; a failure leaves the file on disk as it was and says why.
    Status save(FileOps& ops = FileOps::system());

    // The project title: the document element's first attribute. E_POINTER without one.
    HRESULT title(std::string* title) const;

    // Stores text as node's own text and marks the session modified.
    HRESULT storeNodeText(DomNode node, std::string_view text);
    // The bytes a save would write if node's own text were text, without changing the
    // document (the recovery snapshot of unsaved typing).
    Status serializeWithText(DomNode node, std::string_view text, std::string& bytes);

    // Applies one outline change. On success the session is modified and inverse (when
    // given) is the command that takes it back exactly; on failure nothing changed.
    // E_POINTER: a path leads nowhere; E_INVALIDARG: a node into its own subtree;
    // E_XML_TOO_DEEP: the change would nest deeper than kMaxDepth.
    HRESULT apply(const OutlineCommand& command, OutlineCommand* inverse = nullptr);

    void addObserver(SessionObserver* observer);
    void removeObserver(SessionObserver* observer);

private:
    HRESULT applyInsert(const OutlineCommand& command, OutlineCommand* inverse);
    HRESULT applyRemove(const OutlineCommand& command, OutlineCommand* inverse);
    HRESULT applyMove(const OutlineCommand& command, OutlineCommand* inverse);
    HRESULT applySetAttributes(const OutlineCommand& command, OutlineCommand* inverse);
    HRESULT applyRename(const OutlineCommand& command, OutlineCommand* inverse);
    template <class Call>
    void notify(Call&& call);

    std::unique_ptr<DomDocument> m_doc;
    std::string m_path;
    std::string m_diskStatePath;   // the file m_diskState describes
    FileStamp m_diskState;
    bool m_modified = false;
    std::vector<SessionObserver*> m_observers;
};

}  // namespace penwick
