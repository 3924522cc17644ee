#pragma once
// Value type codes shared with the host: in variant lists, as column types of
// records and as property types.
enum ValueType : int {
    VT_NONE = 0,
    VT_BOOL = 1,
    VT_INT = 2,      // signed 32-bit
    VT_FLOAT = 3,    // 32-bit
    VT_STRING = 4,   // narrow, NUL-terminated
    VT_WIDESTR = 5,  // 16-bit units, zero-terminated
    VT_OBJECT = 6,   // ObjectId
    VT_BYTES = 7,    // length and bytes
    VT_INT64 = 8,    // signed 64-bit
};
