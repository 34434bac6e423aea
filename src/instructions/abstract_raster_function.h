#pragma once
// One instruction of a texture description. The base holds the named
// parameters; each concrete class (see raster_function.h) supplies its apply
// routine, parameter layout, display name and type identifier.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "instructions/param_kind.h"
#include "instructions/param_value.h"

class SelectableRaster;
class AbstractRasterFunction;

// Applies one instruction: reads its parameters, paints the raster.
using RasterApplyFn = void (*)(SelectableRaster* raster, const AbstractRasterFunction* function);

// Name -> record. Ordered by name so that files written from the same queue
// are byte-identical; nothing else depends on the order.
using ParameterMap = std::map<std::string, ParamRecord>;

class AbstractRasterFunction {
public:
    virtual ~AbstractRasterFunction() = default;

    virtual RasterApplyFn GetFunction() const = 0;
    virtual ParamLayout GetParameterLayout() const = 0;
    virtual std::string GetName() const = 0;
    virtual const AbstractRasterFunction* GetPrototype() const = 0;
    // A new heap instance of the same class with a copy of this map.
    virtual std::unique_ptr<AbstractRasterFunction> Clone() const = 0;
    virtual uint32_t GetTypeId() const = 0;

    // The effective value: the stored one, or for a randomised record a fresh
    // random variation drawn from parameterRng(). Empty when missing.
    ParamValue GetValue(const std::string& name) const;
    // The stored value, never randomised; empty when missing.
    ParamValue GetRawValue(const std::string& name) const;
    // Replaces the value of an existing record (randomisation settings stay);
    // inserts a plain record when missing.
    void SetValue(const std::string& name, const ParamValue& value);
    // A copy of the record; the all-zero record when missing.
    ParamRecord GetRecord(const std::string& name) const;
    void SetRecord(const std::string& name, const ParamRecord& record);
    bool HasParameter(const std::string& name) const;
    // Kind of the first layout entry with that name; 0 when there is none.
    uint32_t GetKind(const std::string& name) const;

    const ParameterMap& Parameters() const { return parameters_; }

protected:
    AbstractRasterFunction() = default;
    AbstractRasterFunction(const AbstractRasterFunction&) = default;

    // The layout without a copy; GetKind and registration use it.
    virtual const ParamLayout& LayoutView() const = 0;

    // Gives every parameter of the layout its kind's default record; run
    // once, on the class's prototype. Other instances start with an empty map.
    void AddDefaultRecords();

    ParameterMap parameters_;
};

using InstructionList = std::vector<std::unique_ptr<AbstractRasterFunction>>;

// Clones every instruction of a list, in order.
InstructionList CloneInstructions(const InstructionList& list);

// Exchanges entries a and b and returns b; with either index outside the
// queue it changes nothing and returns a.
int SwapInstructions(InstructionList& queue, int a, int b);
