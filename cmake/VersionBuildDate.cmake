# Writes the build date header: cmake -DTEMPLATE=<in> -DOUTPUT=<header> -P
# The layout is that of __DATE__, "Mmm dd yyyy" with a blank before days 1 to
# 9. string(TIMESTAMP) takes SOURCE_DATE_EPOCH when it is set, so a
# reproducible build gets the same date; UTC, so the build's time zone does
# not matter. The month name comes from our own table: no locale involved.

string(TIMESTAMP today "%Y;%m;%d" UTC)
list(GET today 0 year)
list(GET today 1 month)
list(GET today 2 day)
set(month_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
math(EXPR month_index "${month} - 1")
list(GET month_names ${month_index} month_name)
string(REGEX REPLACE "^0" " " day "${day}")
set(QUONVEL_BUILD_DATE "${month_name} ${day} ${year}")
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
