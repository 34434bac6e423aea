// The prototypes of every instruction class, constructed in catalogue order:
// this order is the order of the "Add Instruction" combo and must not change.
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

void ConstructPrototypes() {
    static FillRasterFunction fill;                          // 0
    static RectSelectionRasterFunction rectSelection;        // 1
    static PolygonSelectionRasterFunction polygonSelection;  // 2
    static SetSeedRasterFunction setSeed;                    // 3
    static ClearSelectionRasterFunction clearSelection;      // 4
    static GradientRasterFunction gradient;                  // 5
    static LineRasterFunction shapeLine;                     // 6
    static ShapeRectRasterFunction shapeRect;                // 7
    static ShapeCircleRasterFunction shapeCircle;            // 8
    static ShapeTriangleRasterFunction shapeTriangle;        // 9
    static MotionBlurRasterFunction motionBlur;              // 10
    static GaussianBlurRasterFunction gaussianBlur;          // 11
    static FragmentationBlurRasterFunction fragmentationBlur;  // 12
    static HSLModifyRasterFunction hslModify;                // 13
    static CrystallizeRasterFunction crystallize;            // 14
    static DilateMorphRasterFunction dilateMorph;            // 15
    static ErodeMorphRasterFunction erodeMorph;              // 16
    static SelectLayerRasterFunction selectLayer;            // 17
    static CreateLayerRasterFunction createLayer;            // 18
    static SynthesizeTextureRasterFunction synthesizeTexture;  // 19
}
