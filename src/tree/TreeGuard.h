// SPDX-License-Identifier: GPL-3.0-or-later
// The guarded region every DOM-touching operation of the tree view runs its work in.
//
// Inside the region a failing result code or a missing node is thrown as DomFailure; the
// region's owner reports it once (result-code text, or the operation's catch-all text for
// anything else) and carries on with its closing steps. Nothing done before the failure
// is undone.
#pragma once

#include "ResultCode.h"

namespace penwick {

struct DomFailure {
    HRESULT hr;
};

inline void Check(HRESULT hr)
{
    if (FAILED(hr))
        throw DomFailure{hr};
}

// A node, attribute or map the operation cannot go on without.
template <class T>
T Require(T value)
{
    if (!value)
        throw DomFailure{E_POINTER};
    return value;
}

}  // namespace penwick
