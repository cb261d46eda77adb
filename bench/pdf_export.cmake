# bench_pdf_export: the PDF export of libbexlo against QTextDocument::print to a QPdfWriter.
target_link_libraries(bench_pdf_export PRIVATE bexlo)
