0	nan	80
