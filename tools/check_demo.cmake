# Runs `varek demo` and checks that it succeeds and shows the two printed sale receipts.
execute_process(COMMAND ${VAREK} demo
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors
  TIMEOUT 100)
message("${output}${errors}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "varek demo ended with status ${status}")
endif()
string(REGEX MATCHALL "\\*\\*\\* FISCAL RECEIPT \\*\\*\\*" receipts "${output}")
list(LENGTH receipts receiptCount)
if(NOT receiptCount EQUAL 2)
  message(FATAL_ERROR "varek demo showed ${receiptCount} fiscal receipts instead of 2")
endif()
string(REGEX MATCHALL "\\| TOTAL +[0-9]+\\.[0-9][0-9]\n" totals "${output}")
list(LENGTH totals totalCount)
if(NOT totalCount EQUAL 2)
  message(FATAL_ERROR "varek demo showed ${totalCount} receipt totals instead of 2")
endif()
