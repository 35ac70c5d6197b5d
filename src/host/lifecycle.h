// The driver-level port open that the lifecycle commands share.
#pragma once

#include "host/driver_context.h"

// Opens the port the settings describe; the new handle, or 0 when the open failed.
HANDLE OpenCom(const PortSettings* settings);

// Copies a host's 12-byte port name: up to and including its NUL, never more
// than the 12 bytes.
void CopyPortName(char (&to)[portNameSize], const char (&from)[portNameSize]);

// Stores a newly opened port and applies the context's read time-out to it.
void TakeOpenedPort(DriverContext& context, HANDLE handle);
