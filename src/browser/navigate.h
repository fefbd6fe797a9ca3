// Tree-mode key dispatch.
#pragma once

void DispatchKey();  // acts on prog.LastKey for prog.currentDrive
