// SPDX-License-Identifier: GPL-3.0-or-later
// The one settings file, $XDG_CONFIG_HOME/penwick/penwick.conf (~/.config/… by default),
// and everything read from or written to it: the safety switches ([safety]), the
// window's geometry ([window]), the editor's font, zoom and layout ([editor]) and the
// grid presets ([grids]), the proofreading rules ([proofread]). Missing or unusable values read as the defaults.
#pragma once

#include "CounterReport.h"
#include "EditorSettings.h"
#include "ProjectSafety.h"
#include "ProofSettings.h"

#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>

class AppSettings {
public:
    static QString Path();

    static penwick::SafetySettings Safety(const QString& path = Path());

    struct WindowState {
        QSize size;                  // the normal (not maximised) size; invalid: none kept
        std::optional<QPoint> pos;
        bool maximized = false;
        QList<int> splitter;         // outline and editor widths; empty: none kept
        bool positionLine = false;   // the position line at the foot of the window
    };
    static WindowState Window(const QString& path = Path());
    static void SetWindow(const WindowState& state, const QString& path = Path());

    static EditorSettings Editor(const QString& path = Path());
    // The grid of the position line and of the PDF export: [editor] grid names a preset of
    // [grids] ("default" when unset or unknown).
    static penwick::CountSettings Grid(const QString& path = Path());
    // [proofread] (the rules switched off) and the editor's 縦中横 for long numerals.
    static penwick::proof::ProofOptions Proofreading(const QString& path = Path());
    static void SetEditorZoom(int percent, const QString& path = Path());
};
