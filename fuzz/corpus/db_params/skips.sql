SELECT ':x', "y:z", x::int, $$ :in_body $$ /* :c */ -- :d
 FROM t WHERE k = :"odd name" AND e = E'it\'s :no'