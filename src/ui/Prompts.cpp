// SPDX-License-Identifier: GPL-3.0-or-later
#include "Prompts.h"

#include <QFileInfo>
#include <QStringList>

QString QtFileFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i];
        if (name.isEmpty())
            break;  // the "||" that ends the list
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == QLatin1String("*.*"))
                p = QStringLiteral("*");
        }
        const QString list = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        out << (name.endsWith(list) ? name : name + QLatin1Char(' ') + list);
    }
    return out.join(QStringLiteral(";;"));
}

QString WithDefaultExtension(const QString& path, const QString& defaultExt)
{
    if (path.isEmpty() || defaultExt.isEmpty())
        return path;
    const QString name = QFileInfo(path).fileName();
    if (name.contains(QLatin1Char('.')) && !name.endsWith(QLatin1Char('.')))
        return path;
    return (path.endsWith(QLatin1Char('.')) ? path : path + QLatin1Char('.')) + defaultExt;
}
