#pragma once
// CQuillforgeApp: starts Qt, opens the editor window modally and ends when it
// closes. No command-line arguments of its own (Qt reads its usual ones).

class CQuillforgeApp {
public:
    // Exit code: 0 also when the window cannot open (no start-up file, no mod).
    int run(int argc, char** argv);
};
