#pragma once
// Snapshots of a host object (properties, named data values, records) in one
// variant list, and back. Layout, indices from the start of the list:
//   P, P x (name, value),
//   D, D x (type code, name, value),
//   R, R x (record name, rows n, n x cols values in row order).
// The column count is not in the list: both sides take it from the object's record.
#include "../module/IVarList.h"
#include "../module/ObjectId.h"

class IKernel;

// Appends the snapshot to list (given empty). Object values are left out unless
// includeObjects (record cells of them become empty strings, so rows keep their
// width); properties and records whose flag is off are left out unless includeAll.
// 1, or 0 when the object does not exist.
int SaveObjectToList(IKernel* kernel, const ObjectId& obj, IVarList& list, bool includeObjects, bool includeAll);

// Applies a snapshot to an object. A list that is short or mistyped is never read
// past its end: loading stops before the part that does not fit, and a record the
// object lacks ends the loading after its log line. 1, or 0 when the object does
// not exist or the list is not a snapshot.
int LoadObjectFromList(IKernel* kernel, const ObjectId& obj, const IVarList& list);
