#pragma once

void ShowHelpScreen();
