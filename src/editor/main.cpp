// tavelin-editor: the interactive editor, started by tavelin in its place.
//   tavelin-editor DIRECTORY [PROJECT]
// DIRECTORY is tavelin's own, where Space writes pcgOutput.png; PROJECT,
// when given and not empty, is loaded as File > Open would.
#include <cstring>

#include "editor/editor_shell.h"
#include "raster/console.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || argv[1][0] == '\0') {
        PrintErrorLine("tavelin-editor is started by tavelin: run tavelin without arguments, or tavelin --edit FILE");
        return -1;
    }
    return RunEditorShell(argv[1], argc == 3 ? argv[2] : "");
}
