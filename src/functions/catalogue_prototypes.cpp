// The prototypes of every instruction class, constructed in catalogue order:
// this order is the order of the "Add Instruction" combo and must not change.
#include "functions/clear_selection.h"
#include "functions/create_layer.h"
#include "functions/dilate_morph.h"
#include "functions/erode_morph.h"
#include "functions/fill.h"
#include "functions/gradient.h"
#include "functions/polygon_selection.h"
#include "functions/rect_selection.h"
#include "functions/select_layer.h"
#include "functions/set_seed.h"

void ConstructPrototypes() {
    static FillRasterFunction fill;                          // 0
    static RectSelectionRasterFunction rectSelection;        // 1
    static PolygonSelectionRasterFunction polygonSelection;  // 2
    static SetSeedRasterFunction setSeed;                    // 3
    static ClearSelectionRasterFunction clearSelection;      // 4
    static GradientRasterFunction gradient;                  // 5
    // 6-9: Shape Line, Shape Rectangle, Shape Circle, Shape Triangle
    // 10-12: Motion Blur, Gaussian Blur, Fragmentation Blur
    // 13: HSL Modify; 14: Crystallize
    static DilateMorphRasterFunction dilateMorph;            // 15
    static ErodeMorphRasterFunction erodeMorph;              // 16
    static SelectLayerRasterFunction selectLayer;            // 17
    static CreateLayerRasterFunction createLayer;            // 18
    // 19: Synthesize Texture
}
