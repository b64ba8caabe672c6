// SPDX-License-Identifier: GPL-3.0-or-later
// A project named on the command line, read and parsed on another thread while the window
// is being built: the open that follows takes the document instead of reading the file
// again. Only a preload of the same file, unchanged since it was read, is ever taken; in
// every other case the open reads the file as usual (and reports what goes wrong).
#pragma once

#include "DomDocument.h"

#include <memory>
#include <string>

namespace penwick {

class ProjectPreload {
public:
    // Starts reading path (file-system encoding); a preload started before is dropped.
    static void start(const std::string& path);
    // The document read from path when the preload was of that file, loaded, and the file
    // is as it was when read; null otherwise. Waits for the preload to finish. Either way
    // the preload is over.
    static std::unique_ptr<DomDocument> take(const std::string& path);
    // Drops the preload (waiting for its thread).
    static void cancel();
};

}  // namespace penwick
