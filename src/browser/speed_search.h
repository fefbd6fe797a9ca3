#pragma once

void SpeedSearchKey(int keyCode);
void ShowSpeedSearchLine();
