# Writes what the layer check (tests/layers/check_layers.cmake) reads: for each layer,
# the source folders it is built from and every target and library it links,
# directly or through others.

# The source folders of each layer, from the bottom up.
set(WO_LAYER_FOLDERS_wo_platform platform)
set(WO_LAYER_FOLDERS_wo_settings settings)
set(WO_LAYER_FOLDERS_wo_dialogs dialogs)
set(WO_LAYER_FOLDERS_wo_imaging imaging)
set(WO_LAYER_FOLDERS_wo_store store transfer)
set(WO_LAYER_FOLDERS_wo_text text)
set(WO_LAYER_FOLDERS_wo_ui ui)
set(WO_LAYER_FOLDERS_wo_entry entry)

# Every target `target` links, through private and interface links alike.
function(wo_link_closure target out)
    set(seen "")
    set(queue ${target})
    while(queue)
        list(POP_FRONT queue t)
        get_target_property(aliased ${t} ALIASED_TARGET)
        if(aliased)
            set(t ${aliased})
        endif()
        get_target_property(imported ${t} IMPORTED)
        get_target_property(type ${t} TYPE)
        if(imported OR type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(links ${t} INTERFACE_LINK_LIBRARIES)
        else()
            get_target_property(links ${t} LINK_LIBRARIES)
        endif()
        foreach(link IN LISTS links)
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
            # Generator expressions, the markers of links made in other folders, and
            # properties a target lacks.
            if(link MATCHES "^(\\$<|::@)|-NOTFOUND$" OR link IN_LIST seen)
                continue()
            endif()
            if(TARGET ${link})
                get_target_property(real ${link} ALIASED_TARGET)
                if(real)
                    set(link ${real})
                endif()
                list(APPEND queue ${link})
            endif()
            list(APPEND seen ${link})
        endforeach()
    endwhile()
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

set(layers_file ${CMAKE_BINARY_DIR}/layers.cmake)
file(WRITE ${layers_file} "set(WO_LAYERS ${WO_LAYERS})\n")
foreach(layer IN LISTS WO_LAYERS)
    wo_link_closure(${layer} closure)
    file(APPEND ${layers_file} "set(WO_LAYER_FOLDERS_${layer} ${WO_LAYER_FOLDERS_${layer}})\n"
                               "set(WO_LAYER_LINKS_${layer} \"${closure}\")\n")
endforeach()
