// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Proofreading in the window: the 校正 panel in a dock beside the outline (F7 shows it and
// gives it the keyboard, or hides it), and while it is shown, the checker over the project
// and the wavy marks in the editor. A keystroke re-checks the node being edited (at most
// once every 30 ms while keys come) and moves the marks; the panel's list follows when the
// typing pauses, an outline command or a new project re-reads the project (paragraphs and
// sentences seen before are not read again). Hidden, the checker is let go.

#include "DomDocument.h"

#include <QObject>

#include <functional>
#include <memory>

namespace penwick {
class ProjectSession;
class ProofChecker;
namespace proof {
class Morphology;
}
}
class CVellEditView;
class OutlineModel;
class Prompts;
class ProofreadPanel;
class QDockWidget;
class QMainWindow;
class QTimer;
class VerticalTextEdit;

class ProofreadKeeper : public QObject {
    Q_OBJECT
public:
    struct Window {
        QMainWindow* frame;
        penwick::ProjectSession* session;
        OutlineModel* outline;
        CVellEditView* editor;
        VerticalTextEdit* control;
        Prompts* prompts;
        std::function<penwick::DomNode()> editedNode;   // the node the editor holds, or null
        std::function<void(penwick::DomNode, int, int)> show;   // select a node and a span in it
    };
    explicit ProofreadKeeper(Window window);
    ~ProofreadKeeper() override;

    ProofreadPanel* panel() const { return m_panel; }
    QDockWidget* dock() const { return m_dock; }
    // F7: shown and focused, or hidden when the panel has the keyboard.
    void toggle();
    // The editor turned between vertical and horizontal (long numerals are vertical faults).
    void directionChanged();

private:
    void start();
    void stop();
    // A fresh checker with the options as they are now, when one is running.
    void restart();
    void rebuild();
    void recheckEdited();
    void refreshList();
    void fix(penwick::DomNode node, int start, int length, const QString& replacement);
    void keepForm(const QString& form);

    Window m_w;
    ProofreadPanel* m_panel;
    QDockWidget* m_dock;
    QTimer* m_edits;   // a keystroke's re-check
    QTimer* m_list;    // the panel's list, 400 ms after the last re-check
    std::unique_ptr<penwick::proof::Morphology> m_morphology;
    bool m_morphologyTried = false;
    std::unique_ptr<penwick::ProofChecker> m_checker;
};
