#pragma once
// The example projects shipped in examples/: each is defined here as a queue
// built from the catalogue, so the committed .pcg files can be regenerated
// (make_examples) and checked against their definitions.
#include <string>
#include <vector>

#include "instructions/abstract_raster_function.h"

struct ExampleProject {
    std::string name;         // file name without ".pcg"
    std::string description;  // one line for the README
    InstructionList queue;
};

// Every example whose instruction classes all exist in the catalogue, plus
// the names of those left out because a class is missing.
struct ExampleSet {
    std::vector<ExampleProject> projects;
    std::vector<std::string> missing;
};
ExampleSet BuildExampleProjects();
