#include "instructions/abstract_raster_function.h"

#include "instructions/randomise.h"

ParamValue AbstractRasterFunction::GetValue(const std::string& name) const {
    const auto it = parameters_.find(name);
    if (it == parameters_.end()) return ParamValue();
    const ParamRecord& record = it->second;
    if (!record.randomized) return record.value;
    return RandomisedValue(record, GetKind(name));
}

ParamValue AbstractRasterFunction::GetRawValue(const std::string& name) const {
    const auto it = parameters_.find(name);
    return it == parameters_.end() ? ParamValue() : it->second.value;
}

void AbstractRasterFunction::SetValue(const std::string& name, const ParamValue& value) {
    parameters_[name].value = value;
}

ParamRecord AbstractRasterFunction::GetRecord(const std::string& name) const {
    const auto it = parameters_.find(name);
    return it == parameters_.end() ? ParamRecord() : it->second;
}

void AbstractRasterFunction::SetRecord(const std::string& name, const ParamRecord& record) {
    parameters_[name] = record;
}

bool AbstractRasterFunction::HasParameter(const std::string& name) const {
    return parameters_.count(name) != 0;
}

uint32_t AbstractRasterFunction::GetKind(const std::string& name) const {
    for (const ParamLayoutEntry& entry : LayoutView())
        if (entry.name == name) return entry.kind;
    return kNoKind;
}

void AbstractRasterFunction::AddDefaultRecords() {
    for (const ParamLayoutEntry& entry : LayoutView())
        if (!IsLayoutOnly(entry.kind)) parameters_[entry.name] = DefaultRecord(entry.kind);
}

InstructionList CloneInstructions(const InstructionList& list) {
    InstructionList copy;
    copy.reserve(list.size());
    for (const auto& instruction : list) copy.push_back(instruction->Clone());
    return copy;
}

int SwapInstructions(InstructionList& queue, int a, int b) {
    const int size = int(queue.size());
    if (a < 0 || b < 0 || a >= size || b >= size) return a;
    std::swap(queue[size_t(a)], queue[size_t(b)]);
    return b;
}
