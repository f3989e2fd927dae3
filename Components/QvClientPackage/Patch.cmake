# QvClientPatch.msp: a real Windows Installer patch package (a small update)
# for the QvClient.msi of this build, written by build-patch beside it. It adds
# the string value PatchLevel to the product's key; removing the patch takes
# the value away. The patch's own facts live here: build-patch reads them from
# patch.params, the tests from the generated ClientPatch.h.
set(patch_file_name QvClientPatch.msp)
set(patch_value_name PatchLevel)
set(patch_level 1)
# The product's key, as the code knows it.
set(locale_header ${CMAKE_SOURCE_DIR}/Common/QvBaseLib/ProductLocale.h)
file(READ ${locale_header} locale_text)
string(REGEX MATCH "kProductKey = L\"([^\"]+)\"" _ "${locale_text}")
string(REPLACE "\\\\" "\\" product_key "${CMAKE_MATCH_1}")
if(NOT product_key)
    message(FATAL_ERROR "QvClientPatch.msp: no product key in ${locale_header}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${locale_header})
# A patch targets one product code, so each version has a patch code of its own.
string(UUID patch_code NAMESPACE ${upgrade_namespace} NAME "QvClientPatch ${patch_level} ${QvClientPackage_PRODUCT_CODE}"
       TYPE SHA1 UPPER)

set(patch_params ${CMAKE_CURRENT_BINARY_DIR}/patch.params)
file(CONFIGURE OUTPUT ${patch_params} CONTENT "patch_code={${patch_code}}
patch_family=QvClientPatch
patch_sequence=${patch_level}
display_name=Quorvel patch ${patch_level}
media_source=QvClientPatchSource
product_key=${product_key}
value_name=${patch_value_name}
value_data=${patch_level}
")
set(patch_include_dir ${CMAKE_CURRENT_BINARY_DIR}/patch-include)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/ClientPatch.h.in ${patch_include_dir}/ClientPatch.h @ONLY)

set(patch ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${patch_file_name})
add_custom_command(OUTPUT ${patch}
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/build-patch ${patch_params} ${QvClientPackage_PACKAGE}
            ${patch}
    DEPENDS ${QvClientPackage_PACKAGE} ${patch_params} ${CMAKE_CURRENT_SOURCE_DIR}/build-patch
            ${CMAKE_CURRENT_SOURCE_DIR}/msiformat.py
    COMMENT "Building ${patch_file_name} for QvClient.msi ${package_version}")
add_custom_target(QvClientPatch ALL DEPENDS ${patch})

# The patch's facts for the tests (the test helpers pass them on).
add_library(QvClientPatchFacts INTERFACE)
target_include_directories(QvClientPatchFacts INTERFACE ${patch_include_dir})
add_dependencies(QvClientPackageTests QvClientPatch)
