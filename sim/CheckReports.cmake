# Runs the simulator twice with one server and one seed and requires equal
# reports, a clean exit and every section of the text form.
# RUN, when set, is the program that runs it (Wine for a Windows cross-build).
set(args --servers 1 --players 400 --days 1.5 --seed 11 --quiet)
foreach(run 1 2)
  execute_process(COMMAND ${RUN} ${SIM} ${args} RESULT_VARIABLE rc OUTPUT_VARIABLE out${run} ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "run ${run} exited with ${rc}:\n${out${run}}\n${err}")
  endif()
endforeach()
if(NOT out1 STREQUAL out2)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/sim_report_1.txt "${out1}")
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/sim_report_2.txt "${out2}")
  message(FATAL_ERROR "two runs with the same seed printed different reports (see sim_report_*.txt)")
endif()
foreach(section "== Player leaderboard ==" "== Charm leaderboard ==" "== Win-streak leaderboard ==" "== Prize letters =="
                "== Nation report (Game.NationResource) ==" "== Host diagnostic log ==" "== Work done ==")
  string(FIND "${out1}" "${section}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the report lacks ${section}:\n${out1}")
  endif()
endforeach()
