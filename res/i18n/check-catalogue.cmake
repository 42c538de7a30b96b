# Whether the catalogue is up to date with the sources: lupdate over a copy of it must add no text, and every text
# of the copy must have a finished English rendering.
#   cmake -DLUPDATE=... -DLUPDATE_ARGS=... -DCHECK=ts_to_table -DCATALOGUE=ossel_en.ts -DWORK=dir -P check-catalogue.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${CATALOGUE} DESTINATION ${WORK})
get_filename_component(name ${CATALOGUE} NAME)
execute_process(COMMAND ${LUPDATE} ${LUPDATE_ARGS} -ts ${WORK}/${name} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${status})")
endif()
execute_process(COMMAND ${CHECK} --check ${WORK}/${name} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the catalogue ${CATALOGUE} lacks English renderings (run: ninja update_catalogue, then translate)")
endif()
