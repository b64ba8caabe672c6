// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectPreload.h"

#include "ProjectSafety.h"

#include <future>
#include <mutex>

namespace penwick {
namespace {

struct Preloaded {
    std::unique_ptr<DomDocument> doc;
    FileStamp stamp;   // the file as it was before it was read
};

struct Pending {
    std::mutex mutex;
    std::string path;   // absolute
    std::future<Preloaded> result;
};

Pending& pending()
{
    static Pending p;
    return p;
}

}  // namespace

void ProjectPreload::start(const std::string& path)
{
    cancel();
    Pending& p = pending();
    const std::lock_guard lock(p.mutex);
    p.path = AbsoluteProjectPath(path);
    p.result = std::async(std::launch::async, [file = p.path] {
        Preloaded out;
        out.stamp = FileStamp::of(file);
        auto doc = std::make_unique<DomDocument>();
        if (out.stamp.exists && doc->load(file))
            out.doc = std::move(doc);
        return out;
    });
}

std::unique_ptr<DomDocument> ProjectPreload::take(const std::string& path)
{
    Pending& p = pending();
    const std::lock_guard lock(p.mutex);
    if (!p.result.valid())
        return nullptr;
    Preloaded got = p.result.get();
    const bool same = p.path == AbsoluteProjectPath(path);
    p.path.clear();
    // Changed since it was read (or replaced, or gone): what the open reads now counts.
    if (!same || !got.doc || !(FileStamp::of(path) == got.stamp))
        return nullptr;
    return std::move(got.doc);
}

void ProjectPreload::cancel()
{
    Pending& p = pending();
    const std::lock_guard lock(p.mutex);
    if (p.result.valid())
        p.result.get();
    p.path.clear();
}

}  // namespace penwick
