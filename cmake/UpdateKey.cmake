# The public key that update files must be signed with (ECDSA P-256 over SHA-256).
#
# A release build names the release key's public point, 130 hex digits (04 ‖ X ‖ Y):
#   openssl ec -in release.pem -pubout -outform DER | tail -c 65 | xxd -p -c 65
#   cmake --preset win -DTARNVEL_UPDATE_PUBLIC_KEY=04ab…
# Without one, TARNVEL_TEST_UPDATE_KEY makes a throwaway key pair in the build folder, so that
# the tests can sign update files; such a build installs only what was signed in that folder.
# With neither, the program checks for new versions but installs nothing.
set(TARNVEL_UPDATE_PUBLIC_KEY "" CACHE STRING
    "Public key of signed updates: the uncompressed P-256 point as 130 hex digits")
option(TARNVEL_TEST_UPDATE_KEY
       "Without a release key, make a throwaway key pair in the build folder for the tests" ON)

set(TARNVEL_UPDATE_SIGNING_KEY "")  # the private key the tests sign with, when there is one
set(update_key "${TARNVEL_UPDATE_PUBLIC_KEY}")
if(update_key STREQUAL "" AND TARNVEL_TEST_UPDATE_KEY AND WIN32)
  find_program(OPENSSL openssl REQUIRED)
  set(key_dir ${CMAKE_BINARY_DIR}/update-key)
  file(MAKE_DIRECTORY ${key_dir})
  if(NOT EXISTS ${key_dir}/private.pem)
    execute_process(COMMAND ${OPENSSL} ecparam -name prime256v1 -genkey -noout -out ${key_dir}/private.pem
                    RESULT_VARIABLE rc)
    if(rc)
      message(FATAL_ERROR "openssl could not make the test update key")
    endif()
  endif()
  execute_process(COMMAND ${OPENSSL} ec -in ${key_dir}/private.pem -pubout -outform DER -out ${key_dir}/public.der
                  RESULT_VARIABLE rc ERROR_QUIET)
  if(rc)
    message(FATAL_ERROR "openssl could not write the test update key's public half")
  endif()
  file(READ ${key_dir}/public.der der HEX)
  # The DER form ends in the 65-byte point.
  string(LENGTH "${der}" der_length)
  math(EXPR point_start "${der_length} - 130")
  string(SUBSTRING "${der}" ${point_start} 130 update_key)
  set(TARNVEL_UPDATE_SIGNING_KEY ${key_dir}/private.pem)
endif()
string(LENGTH "${update_key}" update_key_length)
if(NOT update_key_length EQUAL 0 AND NOT (update_key_length EQUAL 130 AND update_key MATCHES "^04[0-9a-fA-F]+$"))
  message(FATAL_ERROR "TARNVEL_UPDATE_PUBLIC_KEY must be 130 hex digits starting with 04")
endif()
set(TARNVEL_UPDATE_KEY_HEX "${update_key}")

# tarnvel_sign_file(target file): after target is built, writes file.sig, the signature of file
# with the test key (DER, as openssl writes it). Nothing when the build has no test key.
function(tarnvel_sign_file target file)
  if(TARNVEL_UPDATE_SIGNING_KEY)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${OPENSSL} dgst -sha256 -sign ${TARNVEL_UPDATE_SIGNING_KEY} -out ${file}.sig ${file}
      VERBATIM)
  endif()
endfunction()
