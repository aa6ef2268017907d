# Run by ctest after a folder's discovered test lists (TEST_INCLUDE_FILES): labels for
# the tests named here. A name that no longer names a test of its suite stops ctest, so
# a renamed test cannot lose its label quietly.
#   corpus   reads real texts: tests/data, and the shared corpus beside the checkout
#            where it is there
#   threads  reads on several threads; the tsan preset runs these

function(vornix_label suite name)
  if(NOT DEFINED ${suite}_TESTS)
    return()  # that suite is not built in this folder or this build
  endif()
  list(FIND ${suite}_TESTS "${name}" at)
  if(at LESS 0)
    message(FATAL_ERROR "tests/labels.cmake names ${name}, which ${suite} does not hold")
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${ARGN}")
endfunction()

vornix_label(core_tests ParallelScan.ManyThreadsGiveWhatOneThreadGives corpus threads)
vornix_label(core_tests ParallelScan.BreakKeepsTheChunksMergedSoFarInOrder threads)
vornix_label(core_tests ParallelScan.FullDiskFailsAtTheSameWordAsOneThread threads)
vornix_label(core_tests ParallelScan.ChunkTableHoldsTheWordsInFirstMetOrderAndTheirSequence threads)
vornix_label(core_tests WordContext.EveryWordOfARealTextIsFoundAsOftenAsCounted corpus)
vornix_label(cli_tests CountCli.KingJamesBibleFacts corpus)
vornix_label(cli_tests CountCli.ShippedTextFacts corpus)
vornix_label(cli_tests CountCli.ThreadsGiveTheSameTableAndStatistics threads)
vornix_label(cli_tests UnicodeCli.UnicodeFormsOfARealTextCountAsTheWindows1252Original corpus)
vornix_label(cli_plot_tests PlotCli.ChartsAreWrittenAsPngAndSvgThatReadBack corpus)
vornix_label(gui_tests SaveCopyTest.CommandLineAndSaveAnalysisWriteTheSameBytes corpus)
