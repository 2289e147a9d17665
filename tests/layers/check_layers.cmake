# Fails when a layer of src/ includes or links a layer above it, or when a layer
# that must not link Qt Widgets does or includes one of its headers.
#   cmake -DLAYERS=<build>/layers.cmake -DSOURCE=<src> -DWIDGETS_INCLUDE=<QtWidgets dir>
#         [-DPLANT=include|link|transfer] -P check_layers.cmake
# PLANT adds one fault of that kind, so a test can show the check finds it: the store
# layer includes a window's header or links the windows' layer, or the transfer layer
# includes the store's header.
cmake_minimum_required(VERSION 3.25)
include(${LAYERS})

# The layers that must stay free of widgets.
set(widget_free wo_platform wo_settings wo_record wo_transfer wo_store wo_text)

file(GLOB widget_headers RELATIVE ${WIDGETS_INCLUDE} ${WIDGETS_INCLUDE}/Q*)
list(FILTER widget_headers EXCLUDE REGEX "\\.h$")

if(PLANT STREQUAL "link")
    list(APPEND WO_LAYER_LINKS_wo_store wo_ui)
endif()

set(faults "")
foreach(layer IN LISTS WO_LAYERS)
    # The folders this layer may include from: its own, those of the layers it
    # links, and the public headers.
    set(allowed ${WO_LAYER_FOLDERS_${layer}} wendra)
    list(FIND WO_LAYERS ${layer} here)
    foreach(other IN LISTS WO_LAYER_LINKS_${layer})
        list(FIND WO_LAYERS ${other} position)
        if(position GREATER here)
            list(APPEND faults "${layer} links ${other}, a layer above it")
        elseif(position GREATER -1)
            list(APPEND allowed ${WO_LAYER_FOLDERS_${other}})
        endif()
    endforeach()
    set(free FALSE)
    if(layer IN_LIST widget_free)
        set(free TRUE)
        if("Qt6::Widgets" IN_LIST WO_LAYER_LINKS_${layer})
            list(APPEND faults "${layer} links Qt6::Widgets")
        endif()
    endif()

    set(files "")
    foreach(folder IN LISTS WO_LAYER_FOLDERS_${layer})
        file(GLOB_RECURSE found ${SOURCE}/${folder}/*.h ${SOURCE}/${folder}/*.cpp)
        list(APPEND files ${found})
    endforeach()
    foreach(file IN LISTS files)
        file(STRINGS ${file} includes REGEX "^#include [\"<]")
        file(RELATIVE_PATH name ${SOURCE} ${file})
        if(PLANT STREQUAL "include" AND name STREQUAL "store/ClsFileOperation.cpp")
            list(APPEND includes "#include \"ui/common/DocumentModel.h\"" "#include <QTreeWidget>")
        elseif(PLANT STREQUAL "transfer" AND name STREQUAL "transfer/ModDownLoadFile.cpp")
            list(APPEND includes "#include \"store/ClsFileOperation.h\"")
        endif()
        foreach(line IN LISTS includes)
            if(line MATCHES "^#include \"([^/\"]+)/")
                if(NOT CMAKE_MATCH_1 IN_LIST allowed)
                    list(APPEND faults "${name} (${layer}): ${line}")
                endif()
            elseif(free AND line MATCHES "^#include <(QtWidgets/)?([A-Za-z]+)>")
                if(CMAKE_MATCH_1 OR CMAKE_MATCH_2 IN_LIST widget_headers)
                    list(APPEND faults "${name} (${layer}, no widgets): ${line}")
                endif()
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "Layer faults:\n  ${text}")
endif()
list(LENGTH WO_LAYERS count)
message(STATUS "${count} layers: no layer includes or links one above it; ${widget_free} are free of widgets")
