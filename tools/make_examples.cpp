// Writes the example projects into a folder (normally examples/):
//   make_examples <folder>
#include <cstdio>

#include "tools/example_projects.h"
#include "project/project_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("Usage: make_examples <folder>\n", stderr);
        return 2;
    }
    const ExampleSet set = BuildExampleProjects();
    for (const ExampleProject& project : set.projects) {
        const std::string path = std::string(argv[1]) + "/" + project.name + ".pcg";
        if (!WriteProjectFile(path, project.queue)) return 1;
        std::printf("%s: %s\n", path.c_str(), project.description.c_str());
    }
    for (const std::string& name : set.missing)
        std::printf("%s: not written, an instruction class it uses is not built yet\n", name.c_str());
    return 0;
}
