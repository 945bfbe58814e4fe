# The library's layers, each an object library that sees only its own headers and those of the
# layers below it, so an include that reaches a higher layer does not compile.
#
# Lowest first:
#   params     the field, curve and base-point constants          ECCrypt/params
#   platform   messages, wiping, components, properties, streaming ECPlatform
#   bigint     integers and the arithmetic modulo n               ECCrypt/bigint
#   field      the reference field GF(2^255)                      ECCrypt/field
#   curve      the reference curve                                ECCrypt/curve
#   fast       the fast engine and its constant-time helpers      ECCrypt/fast
#   pk         the public-key primitives over either engine       ECCrypt/pk
#   hash       the hash, the pass-phrase generator, randomness    ECCrypt/hash
#   text       the hexadecimal and radix-64 text forms            ECCrypt/text
#   component  TEllipticCurve and its operations                  ECCrypt/*.h, ECCrypt/*.cpp
#   api        the library's typed interface (namespace eccrypt)  ECCrypt/api
#   formats    sealed data, key files, signature files (libsodium) ECCrypt/formats, ECCrypt/api.h
#
# Every file names the headers it includes from the repository root ("ECCrypt/field/gfPoint.h").
# A layer's headers are made visible by a folder of its own under the build tree,
# layers/<layer>/, which holds a link to the layer's source folder at the same relative path
# (layers/field/ECCrypt/field -> ECCrypt/field). A layer's include path holds its own folder and,
# through its link to the layer below, the folders of every lower layer; never the source root.
# The library itself (ECCrypt) is put together from the layers' objects.
#
# tests/layers shows that an upward include fails, and compiles every header alone in its layer.

set(ECCRYPT_LAYERS params platform bigint field curve fast pk hash text component api formats)
set(ECCRYPT_LAYER_ROOT ${PROJECT_BINARY_DIR}/layers)

# Where each layer lives, relative to the repository root.
set(ECCRYPT_LAYER_DIR_params ECCrypt/params)
set(ECCRYPT_LAYER_DIR_platform ECPlatform)
set(ECCRYPT_LAYER_DIR_bigint ECCrypt/bigint)
set(ECCRYPT_LAYER_DIR_field ECCrypt/field)
set(ECCRYPT_LAYER_DIR_curve ECCrypt/curve)
set(ECCRYPT_LAYER_DIR_fast ECCrypt/fast)
set(ECCRYPT_LAYER_DIR_pk ECCrypt/pk)
set(ECCRYPT_LAYER_DIR_hash ECCrypt/hash)
set(ECCRYPT_LAYER_DIR_text ECCrypt/text)
set(ECCRYPT_LAYER_DIR_component ECCrypt)
set(ECCRYPT_LAYER_DIR_api ECCrypt/api)
set(ECCRYPT_LAYER_DIR_formats ECCrypt/formats)

# The umbrella header of the library's interface sits in the library's top folder beside the
# component's headers; it belongs to the top layer, which sees every other.
set(ECCRYPT_API_UMBRELLA ECCrypt/api.h)

# The headers of a layer (full paths): those of its folder; the top folder's umbrella header is
# the top layer's, not the component's.
function(eccrypt_layer_headers layer out)
  file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${ECCRYPT_LAYER_DIR_${layer}}/*.h)
  if(layer STREQUAL "component")
    list(REMOVE_ITEM headers ${PROJECT_SOURCE_DIR}/${ECCRYPT_API_UMBRELLA})
  elseif(layer STREQUAL "formats")
    list(APPEND headers ${PROJECT_SOURCE_DIR}/${ECCRYPT_API_UMBRELLA})
  endif()
  set(${out} ${headers} PARENT_SCOPE)
endfunction()

# Makes layers/<layer>/<dir> show the layer's headers. The component's folder is the library's
# top folder, which holds the other layers too, so its headers are linked one by one; so is the
# top layer's umbrella header in that folder.
function(eccrypt_stage_layer_headers layer)
  set(dir ${ECCRYPT_LAYER_DIR_${layer}})
  set(staged ${ECCRYPT_LAYER_ROOT}/${layer})
  if(layer STREQUAL "component")
    file(MAKE_DIRECTORY ${staged}/${dir})
    eccrypt_layer_headers(${layer} headers)
    foreach(header IN LISTS headers)
      get_filename_component(name ${header} NAME)
      file(CREATE_LINK ${header} ${staged}/${dir}/${name} SYMBOLIC)
    endforeach()
  else()
    get_filename_component(parent ${staged}/${dir} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${dir} ${staged}/${dir} SYMBOLIC)
    if(layer STREQUAL "formats")
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${ECCRYPT_API_UMBRELLA}
           ${staged}/${ECCRYPT_API_UMBRELLA} SYMBOLIC)
    endif()
  endif()
endfunction()

# One object library (eccrypt_layer_<layer>) per layer, linked to the layer just below it;
# ECCRYPT_LAYER_TARGETS lists those that compile something.
set(ECCRYPT_LAYER_TARGETS "")
set(below "")
file(REMOVE_RECURSE ${ECCRYPT_LAYER_ROOT})
foreach(layer IN LISTS ECCRYPT_LAYERS)
  eccrypt_stage_layer_headers(${layer})
  set(dir ${ECCRYPT_LAYER_DIR_${layer}})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  eccrypt_layer_headers(${layer} headers)
  set(target eccrypt_layer_${layer})
  if(sources)
    add_library(${target} OBJECT ${sources} ${headers})
    set(usage PUBLIC)
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    eccrypt_set_warnings(${target})
    if(ECCRYPT_CT_CHECK)
      target_compile_definitions(${target} PRIVATE ECCRYPT_CT_CHECK)
    endif()
    list(APPEND ECCRYPT_LAYER_TARGETS ${target})
  else()
    # Headers only (the constants): nothing to compile, only an include path to pass on.
    add_library(${target} INTERFACE)
    set(usage INTERFACE)
  endif()
  target_include_directories(${target} ${usage} ${ECCRYPT_LAYER_ROOT}/${layer})
  target_compile_features(${target} ${usage} cxx_std_20)
  if(below)
    target_link_libraries(${target} ${usage} ${below})
  endif()
  set(below ${target})
endforeach()

# The formats layer uses libsodium (ChaCha20-Poly1305 streams, Argon2id, BLAKE2b); no layer
# below it does. Debian ships only a pkg-config file for it.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
target_link_libraries(eccrypt_layer_formats PUBLIC PkgConfig::SODIUM)
