// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppSettings.h"

#include "GridPresets.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

QString AppSettings::Path()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/penwick/penwick.conf");
}

penwick::SafetySettings AppSettings::Safety(const QString& path)
{
    penwick::SafetySettings s;
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("safety"));
    s.backups = file.value(QStringLiteral("backups"), s.backups).toBool();
    s.recovery = file.value(QStringLiteral("recovery"), s.recovery).toBool();
    s.lock = file.value(QStringLiteral("lock"), s.lock).toBool();
    // Never no backup at all, never a busy timer.
    s.keepBackups = std::max(1, file.value(QStringLiteral("keepBackups"), s.keepBackups).toInt());
    s.recoveryIntervalSeconds =
        std::max(1, file.value(QStringLiteral("recoveryIntervalSeconds"), s.recoveryIntervalSeconds).toInt());
    return s;
}

AppSettings::WindowState AppSettings::Window(const QString& path)
{
    WindowState w;
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("window"));
    const QSize size = file.value(QStringLiteral("size")).toSize();
    if (size.width() >= 200 && size.height() >= 150)
        w.size = size;
    if (file.contains(QStringLiteral("pos")))
        w.pos = file.value(QStringLiteral("pos")).toPoint();
    w.maximized = file.value(QStringLiteral("maximized")).toBool();
    const QList<QVariant> sizes = file.value(QStringLiteral("splitter")).toList();
    if (sizes.size() == 2 && sizes[0].toInt() > 0 && sizes[1].toInt() > 0)
        w.splitter = {sizes[0].toInt(), sizes[1].toInt()};
    w.positionLine = file.value(QStringLiteral("positionLine")).toBool();
    return w;
}

void AppSettings::SetWindow(const WindowState& state, const QString& path)
{
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("window"));
    file.setValue(QStringLiteral("size"), state.size);
    if (state.pos)
        file.setValue(QStringLiteral("pos"), *state.pos);
    file.setValue(QStringLiteral("maximized"), state.maximized);
    file.setValue(QStringLiteral("splitter"), QVariantList{state.splitter.value(0), state.splitter.value(1)});
    file.setValue(QStringLiteral("positionLine"), state.positionLine);
}

namespace {

// The settings file as the core reads it (empty when there is none).
std::string FileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

}  // namespace

penwick::CountSettings AppSettings::Grid(const QString& path)
{
    return penwick::ChosenGrid(FileText(path));
}

penwick::proof::ProofOptions AppSettings::Proofreading(const QString& path)
{
    return penwick::proof::ReadProofSettings(FileText(path));
}

EditorSettings AppSettings::Editor(const QString& path)
{
    EditorSettings e;
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("editor"));
    const QString family = file.value(QStringLiteral("fontFamily")).toString().trimmed();
    if (!family.isEmpty())
        e.fontFamily = family;
    bool ok = false;
    const qreal size = file.value(QStringLiteral("fontSize")).toReal(&ok);
    if (ok && size >= 6 && size <= 96)
        e.fontSize = size;
    e.zoom = std::clamp(file.value(QStringLiteral("zoom"), e.zoom).toInt(), 50, 400);
    const qreal gap = file.value(QStringLiteral("columnGap")).toReal(&ok);
    if (ok && gap >= 0 && gap <= 4)
        e.columnGap = gap;
    e.tateChuYoko = std::clamp(file.value(QStringLiteral("tateChuYoko"), e.tateChuYoko).toInt(), 0, 4);
    e.ruby = file.value(QStringLiteral("ruby"), e.ruby).toBool();
    return e;
}

void AppSettings::SetEditorZoom(int percent, const QString& path)
{
    QSettings file(path, QSettings::IniFormat);
    file.setValue(QStringLiteral("editor/zoom"), percent);
}
