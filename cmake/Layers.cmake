# The layers of src/, bottom to top, and the layers each one builds on directly. This one table
# gives the libraries their link lines (src/CMakeLists.txt) and the include check its rules
# (tests/CheckLayers.cmake): a file may include headers of its own layer and of every layer
# reachable through these edges, nothing else. Every edge is used by an include of the layer; a
# layer that needs another one more gets the edge here, not on a link line of its own.
set(TREVASC_LAYERS base core formats plot analysis update tools session qtcanvas net gui cli python)

set(TREVASC_LAYER_USES_base "")
set(TREVASC_LAYER_USES_core base)
set(TREVASC_LAYER_USES_formats core)
set(TREVASC_LAYER_USES_plot core)
set(TREVASC_LAYER_USES_analysis formats)
set(TREVASC_LAYER_USES_update base)
set(TREVASC_LAYER_USES_tools plot)
set(TREVASC_LAYER_USES_session tools analysis update)
# QPainterCanvas: the one place where the plot engine meets Qt.
set(TREVASC_LAYER_USES_qtcanvas plot)
# The HTTP GET of the update check: Qt Core and Network only.
set(TREVASC_LAYER_USES_net "")
set(TREVASC_LAYER_USES_gui session update qtcanvas net)
# The batch tool; its drawing seam (qtcanvas, net) is linked only into the build with Qt.
set(TREVASC_LAYER_USES_cli session update qtcanvas net)
# The Python module: everything without Qt up to the session.
set(TREVASC_LAYER_USES_python session)

# Layers whose files may include Qt headers.
set(TREVASC_QT_LAYERS qtcanvas net gui cli)

# The layers `layer` may include: itself and everything below it through the edges above.
function(trevasc_layers_reachable layer out)
    set(reached ${layer})
    set(pending ${TREVASC_LAYER_USES_${layer}})
    while(pending)
        list(POP_FRONT pending next)
        if(NOT next IN_LIST reached)
            list(APPEND reached ${next})
            list(APPEND pending ${TREVASC_LAYER_USES_${next}})
        endif()
    endwhile()
    set(${out} ${reached} PARENT_SCOPE)
endfunction()

# The library names of the layers `layer` builds on directly, for target_link_libraries;
# with WITHOUT_QT only those of the layers without Qt.
function(trevasc_layer_links layer out)
    set(links "")
    foreach(used ${TREVASC_LAYER_USES_${layer}})
        if(NOT (used IN_LIST TREVASC_QT_LAYERS AND "WITHOUT_QT" IN_LIST ARGN))
            list(APPEND links trevasc_${used})
        endif()
    endforeach()
    set(${out} ${links} PARENT_SCOPE)
endfunction()
