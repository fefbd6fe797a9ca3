#pragma once

void PrintTree();
