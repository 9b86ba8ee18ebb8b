# The run's CSV tables (NAME-samples.csv, NAME-axes.csv, ...) as data
# frames, named by what follows the run's name: "samples", "axes", ...
zeltric_tables <- function(res) {
  if (!inherits(res, "zeltric")) stop("res must be a zeltric object", call. = FALSE)
  files <- attr(res, "files")
  csv <- grep("\\.csv$", names(files), value = TRUE)
  if (length(csv) == 0) stop("this run wrote no tables", call. = FALSE)
  stem <- sub("\\.pca$", "", attr(res, "results_file"))
  tables <- lapply(csv, function(name) {
    text <- rawToChar(files[[name]])
    Encoding(text) <- "UTF-8"
    utils::read.csv(text = text, stringsAsFactors = FALSE, check.names = FALSE, na.strings = "")
  })
  stats::setNames(tables, sub("\\.csv$", "", substring(csv, nchar(stem) + 2)))
}
