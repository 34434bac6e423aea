#include "functions/function_catalogue.h"

#include "functions/clear_selection.h"
#include "functions/create_layer.h"
#include "functions/crystallize.h"
#include "functions/dilate_morph.h"
#include "functions/erode_morph.h"
#include "functions/fill.h"
#include "functions/fragmentation_blur.h"
#include "functions/gaussian_blur.h"
#include "functions/gradient.h"
#include "functions/hsl_modify.h"
#include "functions/motion_blur.h"
#include "functions/polygon_selection.h"
#include "functions/rect_selection.h"
#include "functions/select_layer.h"
#include "functions/set_seed.h"
#include "functions/shape_circle.h"
#include "functions/shape_line.h"
#include "functions/shape_rect.h"
#include "functions/shape_triangle.h"
#include "functions/synthesize_texture.h"

// This order is the order of the "Add Instruction" combo and must not change.
const std::vector<const AbstractRasterFunction*>& functionCatalogue() {
    static const std::vector<const AbstractRasterFunction*> catalogue{
        &FillRasterFunction::Prototype(),
        &RectSelectionRasterFunction::Prototype(),
        &PolygonSelectionRasterFunction::Prototype(),
        &SetSeedRasterFunction::Prototype(),
        &ClearSelectionRasterFunction::Prototype(),
        &GradientRasterFunction::Prototype(),
        &LineRasterFunction::Prototype(),
        &ShapeRectRasterFunction::Prototype(),
        &ShapeCircleRasterFunction::Prototype(),
        &ShapeTriangleRasterFunction::Prototype(),
        &MotionBlurRasterFunction::Prototype(),
        &GaussianBlurRasterFunction::Prototype(),
        &FragmentationBlurRasterFunction::Prototype(),
        &HSLModifyRasterFunction::Prototype(),
        &CrystallizeRasterFunction::Prototype(),
        &DilateMorphRasterFunction::Prototype(),
        &ErodeMorphRasterFunction::Prototype(),
        &SelectLayerRasterFunction::Prototype(),
        &CreateLayerRasterFunction::Prototype(),
        &SynthesizeTextureRasterFunction::Prototype(),
    };
    return catalogue;
}

const AbstractRasterFunction* FindPrototypeByTypeId(uint32_t typeId) {
    for (const AbstractRasterFunction* prototype : functionCatalogue())
        if (prototype->GetTypeId() == typeId) return prototype;
    return nullptr;
}
