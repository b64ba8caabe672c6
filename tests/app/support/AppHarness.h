// SPDX-License-Identifier: GPL-3.0-or-later
// The application as the window tests drive it: started with scripted prompts, its main
// window and panes at hand, and a temporary folder for the files a test writes. Test
// classes inherit it beside QObject and check the prompts in their own cleanup().
#pragma once

#include "CMainFrame.h"
#include "CVellApp.h"
#include "ScriptedPrompts.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

class CVellEditView;
class VellTreeView;

class AppHarness {
protected:
    std::unique_ptr<CVellApp> app;
    ScriptedPrompts* prompts = nullptr;
    CMainFrame* frame = nullptr;
    VellTreeView* tree = nullptr;
    CVellEditView* edit = nullptr;
    QTemporaryDir dir;

    // A fresh application with its window shown, as "penwick args..." would start.
    bool start(const QStringList& args = {})
    {
        auto scripted = std::make_unique<ScriptedPrompts>();
        prompts = scripted.get();
        app = std::make_unique<CVellApp>(std::move(scripted));
        const bool ok = app->InitInstance(args);
        frame = app->GetMainWnd();
        tree = frame ? frame->GetTreeView() : nullptr;
        edit = frame ? frame->GetEditView() : nullptr;
        return ok;
    }
    // Writes bytes to name in the test's folder; the full path, or empty on failure.
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        f.write(bytes);
        return f.fileName();
    }
    static QByteArray readFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};
