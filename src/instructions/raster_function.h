#pragma once
// Base for the concrete instruction classes. A class supplies, as statics:
//   static constexpr const char* kName;        display name
//   static constexpr uint32_t kTypeId;          identifier stored in project files
//   static const ParamLayout& Layout();         Details-panel order of its parameters
//   static void Apply(SelectableRaster&, const AbstractRasterFunction&);
// Everything else (the prototype, cloning, the virtual operations) follows.
#include "instructions/abstract_raster_function.h"

template <class Derived>
class RasterFunction : public AbstractRasterFunction {
public:
    // The class's prototype: the instance holding the default record of every
    // parameter of its layout, built on first use (thread-safe) and kept for
    // the life of the process. New instructions are clones of it.
    static const Derived& Prototype() {
        static const Derived prototype = [] {
            Derived p;
            p.AddDefaultRecords();
            return p;
        }();
        return prototype;
    }

    RasterApplyFn GetFunction() const override { return &ApplyThunk; }
    ParamLayout GetParameterLayout() const override { return Derived::Layout(); }
    std::string GetName() const override { return Derived::kName; }
    const AbstractRasterFunction* GetPrototype() const override { return &Prototype(); }
    std::unique_ptr<AbstractRasterFunction> Clone() const override {
        auto copy = std::make_unique<Derived>();
        copy->parameters_ = parameters_;
        return copy;
    }
    uint32_t GetTypeId() const override { return Derived::kTypeId; }

protected:
    RasterFunction() = default;
    const ParamLayout& LayoutView() const override { return Derived::Layout(); }

private:
    static void ApplyThunk(SelectableRaster* raster, const AbstractRasterFunction* function) {
        Derived::Apply(*raster, *function);
    }
};
