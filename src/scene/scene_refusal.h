// Why a crease run changed nothing: the one answer the scanners, the chooser, the
// rewrite and the road give, up to the tool, which alone turns it into a sentence and a
// JSON kind. None: nothing stood in the way.
#pragma once

namespace tessaryn {

enum class SceneRefusal {
    None,
    // Inputs.
    Unreadable,        // a file cannot be read
    ArgumentsSwapped,  // the file given as the OBJ is a scene
    TooManyGroups,     // the OBJ has more than kMaxCreaseGroups groups
    NoCreaseEdges,     // the OBJ has no group-border edge
    // The scene as a whole (with the line where it tells).
    MayaBinary,             // starts with FOR4 or FOR8
    UsdBinary,              // a binary USD layer this build cannot read
    UsdPackage,             // a package this build cannot read
    NotAScene,              // no header of a scene
    UnterminatedString,     // a string that runs past its line (Maya) or the file
    UnterminatedStatement,  // no closing ';' (Maya)
    UnterminatedBlock,      // a bracket, brace or parenthesis never closed (USD)
    BadEdgeStatement,       // a Maya .ed statement that is not triples filling its range
    UsdVersion,             // a binary USD layer of a version this build does not read
    // The node.
    NoMeshNode,           // no node holds vertices and faces
    NoSuchNode,           // none has the path or name asked for
    SeveralNamed,         // several have the short name asked for
    NodeHoldsNoMesh,      // the node asked for holds no vertices or faces
    VertexCountDiffers,   // the node asked for has another vertex count than the OBJ
    NoFittingNode,        // no node has the OBJ's vertex count
    SeveralFittingNodes,  // several have it, and none was asked for
    EdgesNotInNode,       // crease edges that are not edges of the node
    // The node's geometry, read whole for an OBJ.
    PointNotFinite,      // a point with a coordinate that is not a finite number
    FaceTooFewCorners,   // a face of fewer than three corners
    SeveralMeshNodes,    // no node asked for, and more than one holds a mesh
    NoMeshReader,        // this build reads no mesh geometry of the scene's format
    // The host's road.
    ValueOnHostScene,   // a crease value asked for a scene the host's export writes
    NoPlaceholder,      // the export found no placeholder
    ExportUnavailable,  // the host's export could not be called (the library did not load)
    // Writing.
    OverNeedsUsdLayer,  // an override layer asked for a format that takes none
    BinaryNeedsOver,    // a binary layer is never rewritten: its creases need an override layer
    BadName,            // a name from the file that an override layer cannot carry
    ValueNotPositive,   // a crease value of 0 where 0 means no crease
    OverIsTheLayer,     // the override layer would replace the layer it overrides
    OverLayerForeign,   // the existing file --over names is no override layer of the layer
    OutputIsInput,      // -o or the override layer names the OBJ, by any path
    Busy,               // given by the tool: another run held the file to replace all the wait
    SceneChanged,       // the scene changed while it was read
    Unwritable,         // a file cannot be written
    OutOfMemory,
};

// What an existing file that --over names is, when it is no override layer of the layer:
// the detail of OverLayerForeign.
enum class ForeignOverLayer {
    None,
    MayaScene,       // a Maya ASCII scene
    MayaBinary,      // a Maya binary scene
    UsdBinary,       // a binary USD layer
    UsdPackage,      // a USD package
    NotUsd,          // no scene at all: it does not start #usda
    Damaged,         // a USD text layer that cannot be read through (with its line)
    NoSublayers,     // a USD text layer that names no sublayers
    OtherSublayers,  // a USD text layer whose sublayers are other layers
};

}  // namespace tessaryn
