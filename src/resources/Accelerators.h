#pragma once
// Accelerator table 128: the frame's keys, as the published ACCEL record with
// virtual-key codes.

#include "platform/com/types.h"

#include <span>

inline constexpr BYTE FVIRTKEY = 0x01;
inline constexpr BYTE FSHIFT = 0x04;
inline constexpr BYTE FCONTROL = 0x08;
inline constexpr BYTE FALT = 0x10;

inline constexpr WORD VK_BACK = 0x08;
inline constexpr WORD VK_INSERT = 0x2D;
inline constexpr WORD VK_DELETE = 0x2E;
inline constexpr WORD VK_F6 = 0x75;

struct ACCEL {
    BYTE fVirt;
    WORD key; // a virtual-key code; letters are their capitals 'A'..'Z'
    WORD cmd;
};

// Table 128; empty for any other id.
std::span<const ACCEL> FindAcceleratorTable(UINT id);
