# Put before the pandas peers of the bench scripts (bench_pandas in lib_bench.sh).
import os, sys, time, warnings
import pandas.compat._optional as _opt
_opt.VERSIONS["xlrd"] = "1.2.0"  # Debian's xlrd 1.2.0 reads .xls with the same API
import pandas as pd
warnings.simplefilter("ignore")
