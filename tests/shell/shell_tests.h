#pragma once
// Each test file of the window runs its own Qt Test class; main runs them all.

int runImageButtonTests(int argc, char** argv);
int runWindowTests(int argc, char** argv);
int runPaneViewTests(int argc, char** argv);
