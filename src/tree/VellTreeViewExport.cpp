// SPDX-License-Identifier: GPL-3.0-or-later
// Export of the project as plain text or a vertical EPUB, and the text the manuscript
// counter reads.
//
// The assembly itself lives in the core (TextAssembly, TextExport: the command-line tool
// uses the same); this pane adds the reporting:
// a DOM failure shows the text of its result code, anything else the operation's own
// "Failed in ..." text. The export file is replaced atomically, so a failed write leaves
// an earlier export as it was.
#include "VellTreeView.h"

#include "CommandIds.h"
#include "Prompts.h"
#include "TextAssembly.h"
#include "TextExport.h"
#include "EpubExport.h"
#include "ManuscriptPdf.h"

#include <QFile>

using namespace penwick;

namespace {

ManuscriptOptions PaperOn(const CountSettings& grid)
{
    ManuscriptOptions options;
    static_cast<CountSettings&>(options) = grid;
    return options;
}

}  // namespace

std::string VellTreeView::GetTreeText(DomNode node)
{
    std::string text;
    Guarded("Failed in VellTreeView::GetTreeText", [&] {
        text = penwick::GetTreeText(node, [this](HRESULT hr, std::string_view) { ReportResult(hr); });
    });
    return text;
}

std::string VellTreeView::GetChapterText(int index)
{
    std::string text;
    Guarded("Failed in VellTreeView::GetChapterText", [&] {
        const DomDocument& doc = m_session.document();
        text = penwick::GetChapterText(doc, index,
                                       [this](HRESULT hr, std::string_view) { ReportResult(hr); });
    });
    return text;
}

bool VellTreeView::GetAllChapterTexts(std::vector<std::string>* chapters)
{
    bool complete = false;
    chapters->clear();
    const bool ran = Guarded("Failed in VellTreeView::GetChapterText", [&] {
        const DomDocument& doc = m_session.document();
        complete = penwick::GetAllChapterTexts(
            doc, [this](HRESULT hr, std::string_view) { ReportResult(hr); }, chapters);
    });
    if (!ran || !complete) {
        chapters->clear();
        return false;
    }
    return true;
}

QString VellTreeView::ExportFileFilter()
{
    return QStringLiteral("テキストファイル (*.txt)|*.txt|EPUB (*.epub)|*.epub|PDF (*.pdf)|*.pdf|その他(*.*)|*.*||");
}

bool VellTreeView::GetExportFilePath(QString& path)
{
    // The prompts ask before an existing file is chosen.
    const QString chosen = prompts().saveFilePath(ExportFileFilter(), QStringLiteral("txt"));
    if (chosen.isEmpty())
        return false;
    path = chosen;
    return true;
}

void VellTreeView::OnProjectExport()
{
    QString path;
    if (!GetExportFilePath(path))
        return;
    // The editor's latest text must be in the document before it is assembled. A save
    // that did not happen has been reported (or cancelled); exporting a text that the
    // project file does not hold would only mislead.
    if (!SaveIfModified())
        return;

    std::string bytes;
    bool assembled = false;
    Guarded("Failed in VellTreeView::GetChapterText", [&] {
        const DomDocument& doc = m_session.document();
        const FailureReport report = [this](HRESULT hr, std::string_view) { ReportResult(hr); };
        // The file's suffix chooses the format: a vertical e-book, manuscript paper on the
        // writer's grid, or plain text.
        const Status status = path.endsWith(QStringLiteral(".epub"), Qt::CaseInsensitive)
                                  ? AssembleEpub(doc, {m_session.path(), 0}, report, &bytes)
                              : path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)
                                  ? AssembleManuscriptPdf(doc, PaperOn(m_pFrame->manuscriptGrid()), report, &bytes)
                                  : AssembleTextExport(doc, ExportEncoding::Utf8, report, &bytes);
        if (!status && !status.message.empty())
            ReportText(QString::fromStdString(status.message));
        assembled = bool(status);
    });
    if (!assembled)
        return;   // reported; no half-made file

    const FileResult written = WriteFileAtomically(QFile::encodeName(path).toStdString(), bytes, *m_pFileOps);
    if (!written)
        ReportText(QStringLiteral("ファイル操作に失敗しました。中断します"));
}

void VellTreeView::OnUpdateProjectExport(CommandUi& ui) const
{
    if (m_session.path().empty())
        ui.enabled = false;
}

void VellTreeView::OnCounter()
{
    if (TextPane* edit = GetEditView())
        edit->RunCommand(ID_COUNTER);
}
